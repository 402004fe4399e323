// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform HII database: a copy of every registered package list.
#include "hostplatform/hii_database.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

namespace {

HiiDatabaseFake *Self(const EFI_HII_DATABASE_PROTOCOL *This) {
  return reinterpret_cast<HiiDatabaseFake *>(const_cast<EFI_HII_DATABASE_PROTOCOL *>(This));
}

EFI_STATUS EFIAPI NewPackageList(const EFI_HII_DATABASE_PROTOCOL *This, const EFI_HII_PACKAGE_LIST_HEADER *PackageList,
                                 EFI_HANDLE DriverHandle, EFI_HII_HANDLE *Handle) {
  HiiDatabaseFake *Fake = Self(This);
  Fake->Owner->Log.Add("HiiDatabase.NewPackageList");
  if (PackageList == nullptr || Handle == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Fake->FailNewPackageList != EFI_SUCCESS) {
    return Fake->FailNewPackageList;
  }
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(PackageList);
  *Handle = Fake->Register(std::vector<UINT8>(Bytes, Bytes + PackageList->PackageLength), DriverHandle);
  return EFI_SUCCESS;
}

}  // namespace

HiiDatabaseFake::HiiDatabaseFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.NewPackageList = NewPackageList;
}

EFI_HII_HANDLE HiiDatabaseFake::Register(const std::vector<UINT8> &Bytes, EFI_HANDLE DriverHandle) {
  // Handles are distinct addresses owned by the fake: one byte past a counter
  // value keeps them non-null and unmistakable.
  EFI_HII_HANDLE Handle = reinterpret_cast<EFI_HII_HANDLE>(0x4E110000ULL + Lists.size() + 1);
  Lists.push_back(RegisteredPackageList{Handle, DriverHandle, Bytes});
  return Handle;
}

const RegisteredPackageList *HiiDatabaseFake::Find(EFI_HII_HANDLE Handle) const {
  for (const auto &List : Lists) {
    if (List.Handle == Handle) {
      return &List;
    }
  }
  return nullptr;
}

RegisteredPackageList *HiiDatabaseFake::Find(EFI_HII_HANDLE Handle) {
  return const_cast<RegisteredPackageList *>(static_cast<const HiiDatabaseFake *>(this)->Find(Handle));
}

}  // namespace host
