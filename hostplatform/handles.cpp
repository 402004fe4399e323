// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform handle and protocol database.
#include "hostplatform/handles.h"

#include <cstring>

#include "hostplatform/pool.h"

namespace host {

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B) { return std::memcmp(&A, &B, sizeof(EFI_GUID)) == 0; }

HandleDatabase::HandleRecord *HandleDatabase::Find(EFI_HANDLE Handle) const {
  for (const auto &Record : Handles) {
    if (Record.get() == Handle) {
      return Record.get();
    }
  }
  return nullptr;
}

EFI_HANDLE HandleDatabase::NewHandle() {
  Handles.push_back(std::make_unique<HandleRecord>());
  return Handles.back().get();
}

bool HandleDatabase::IsHandle(EFI_HANDLE Handle) const { return Find(Handle) != nullptr; }

void HandleDatabase::FailNextInstall(const EFI_GUID &Protocol, EFI_STATUS Status) {
  InstallFailures.emplace_back(Protocol, Status);
}

EFI_STATUS HandleDatabase::Install(EFI_HANDLE *Handle, const EFI_GUID *Protocol, VOID *Interface) {
  if (Handle == nullptr || Protocol == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // A warning installs the interface all the same and is answered after it.
  EFI_STATUS Answer = EFI_SUCCESS;
  for (auto Failure = InstallFailures.begin(); Failure != InstallFailures.end(); ++Failure) {
    if (SameGuid(Failure->first, *Protocol)) {
      Answer = Failure->second;
      InstallFailures.erase(Failure);
      if (EFI_ERROR(Answer)) {
        return Answer;
      }
      break;
    }
  }
  HandleRecord *Record = nullptr;
  if (*Handle == nullptr) {
    Record = static_cast<HandleRecord *>(NewHandle());
  } else {
    Record = Find(*Handle);
    if (Record == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    for (const Entry &Existing : Record->Protocols) {
      if (SameGuid(Existing.Protocol, *Protocol)) {
        return EFI_INVALID_PARAMETER;  // already on this handle
      }
    }
  }
  Record->Protocols.push_back(Entry{*Protocol, Interface});
  *Handle = Record;
  return Answer;
}

EFI_STATUS HandleDatabase::HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface) const {
  if (Protocol == nullptr || Interface == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  HandleRecord *Record = Find(Handle);
  if (Record == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (const Entry &Existing : Record->Protocols) {
    if (SameGuid(Existing.Protocol, *Protocol)) {
      *Interface = Existing.Interface;
      return EFI_SUCCESS;
    }
  }
  *Interface = nullptr;
  return EFI_UNSUPPORTED;
}

void HandleDatabase::FailNthLocate(const EFI_GUID &Protocol, size_t N) {
  LocateFailures.push_back(LocateFailure{Protocol, N});
}

EFI_STATUS HandleDatabase::LocateProtocol(const EFI_GUID *Protocol, VOID **Interface) const {
  if (Protocol == nullptr || Interface == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (auto Failure = LocateFailures.begin(); Failure != LocateFailures.end(); ++Failure) {
    if (SameGuid(Failure->Protocol, *Protocol) && --Failure->Remaining == 0) {
      LocateFailures.erase(Failure);
      *Interface = nullptr;
      return EFI_NOT_FOUND;
    }
  }
  for (const auto &Record : Handles) {
    for (const Entry &Existing : Record->Protocols) {
      if (SameGuid(Existing.Protocol, *Protocol)) {
        *Interface = Existing.Interface;
        return EFI_SUCCESS;
      }
    }
  }
  *Interface = nullptr;
  return EFI_NOT_FOUND;
}

std::vector<EFI_HANDLE> HandleDatabase::HandlesWith(const EFI_GUID &Protocol) const {
  std::vector<EFI_HANDLE> Found;
  for (const auto &Record : Handles) {
    for (const Entry &Existing : Record->Protocols) {
      if (SameGuid(Existing.Protocol, Protocol)) {
        Found.push_back(Record.get());
        break;
      }
    }
  }
  return Found;
}

EFI_STATUS HandleDatabase::LocateHandleBuffer(const EFI_GUID *Protocol, UINTN *Count, EFI_HANDLE **Buffer) {
  if (Protocol == nullptr || Count == nullptr || Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<EFI_HANDLE> Found = HandlesWith(*Protocol);
  *Count = 0;
  *Buffer = nullptr;
  if (Found.empty()) {
    return EFI_NOT_FOUND;
  }
  VOID *Block = nullptr;
  EFI_STATUS Status = Memory.Allocate(EfiBootServicesData, Found.size() * sizeof(EFI_HANDLE), &Block);
  if (EFI_ERROR(Status)) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memcpy(Block, Found.data(), Found.size() * sizeof(EFI_HANDLE));
  *Buffer = static_cast<EFI_HANDLE *>(Block);
  *Count = Found.size();
  return EFI_SUCCESS;
}

std::vector<EFI_GUID> HandleDatabase::ProtocolsOn(EFI_HANDLE Handle) const {
  std::vector<EFI_GUID> Guids;
  if (HandleRecord *Record = Find(Handle)) {
    for (const Entry &Existing : Record->Protocols) {
      Guids.push_back(Existing.Protocol);
    }
  }
  return Guids;
}

VOID *HandleDatabase::InterfaceOn(EFI_HANDLE Handle, const EFI_GUID &Protocol) const {
  VOID *Interface = nullptr;
  return EFI_ERROR(HandleProtocol(Handle, &Protocol, &Interface)) ? nullptr : Interface;
}

}  // namespace host
