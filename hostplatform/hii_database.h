// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII database of the host platform: keeps a copy of every registered list.
#pragma once
#include <vector>

#include "include/protocols/hii_database.h"

namespace host {

class Platform;

struct RegisteredPackageList {
  EFI_HII_HANDLE Handle;
  EFI_HANDLE DriverHandle;
  std::vector<UINT8> Bytes;
};

struct HiiDatabaseFake {
  EFI_HII_DATABASE_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  std::vector<RegisteredPackageList> Lists;
  EFI_STATUS FailNewPackageList = EFI_SUCCESS;

  explicit HiiDatabaseFake(Platform *Owner);
  // Registers a list on behalf of the platform itself (e.g. a UI service's own strings).
  EFI_HII_HANDLE Register(const std::vector<UINT8> &Bytes, EFI_HANDLE DriverHandle);
  const RegisteredPackageList *Find(EFI_HII_HANDLE Handle) const;
  RegisteredPackageList *Find(EFI_HII_HANDLE Handle);
};

}  // namespace host
