// SPDX-License-Identifier: BSD-2-Clause-Patent
// Handle and protocol database of the host platform.
#pragma once
#include <map>
#include <memory>
#include <vector>

#include "include/uefi_types.h"

namespace host {

class Pool;

class HandleDatabase {
 public:
  explicit HandleDatabase(Pool &Memory) : Memory(Memory) {}

  // Installs Interface on *Handle, creating the handle when *Handle is null.
  EFI_STATUS Install(EFI_HANDLE *Handle, const EFI_GUID *Protocol, VOID *Interface);
  EFI_STATUS HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface) const;
  // The first interface installed for Protocol, over all handles in creation order.
  EFI_STATUS LocateProtocol(const EFI_GUID *Protocol, VOID **Interface) const;
  // ByProtocol search; the buffer comes from pool and belongs to the caller.
  EFI_STATUS LocateHandleBuffer(const EFI_GUID *Protocol, UINTN *Count, EFI_HANDLE **Buffer);

  EFI_HANDLE NewHandle();
  std::vector<EFI_HANDLE> HandlesWith(const EFI_GUID &Protocol) const;
  // The protocols on Handle, in installation order.
  std::vector<EFI_GUID> ProtocolsOn(EFI_HANDLE Handle) const;
  VOID *InterfaceOn(EFI_HANDLE Handle, const EFI_GUID &Protocol) const;
  bool IsHandle(EFI_HANDLE Handle) const;
  size_t HandleCount() const { return Handles.size(); }

  // The next install of Protocol fails with Status (once); a warning status
  // installs the interface and answers the warning.
  void FailNextInstall(const EFI_GUID &Protocol, EFI_STATUS Status);
  // The Nth LocateProtocol of Protocol from now (1 = the next) answers EFI_NOT_FOUND.
  void FailNthLocate(const EFI_GUID &Protocol, size_t N);

 private:
  struct Entry {
    EFI_GUID Protocol;
    VOID *Interface;
  };
  struct HandleRecord {
    std::vector<Entry> Protocols;
  };
  HandleRecord *Find(EFI_HANDLE Handle) const;

  Pool &Memory;
  std::vector<std::unique_ptr<HandleRecord>> Handles;
  std::vector<std::pair<EFI_GUID, EFI_STATUS>> InstallFailures;
  struct LocateFailure {
    EFI_GUID Protocol;
    size_t Remaining;
  };
  mutable std::vector<LocateFailure> LocateFailures;
};

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B);

}  // namespace host
