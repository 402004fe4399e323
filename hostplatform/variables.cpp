// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform UEFI variable store with GetVariable / SetVariable semantics.
#include "hostplatform/variables.h"

#include <algorithm>
#include <cstring>

#include "hostplatform/handles.h"
#include "include/system_table.h"

namespace host {

namespace {

EFI_STATUS FailureFor(const std::vector<std::pair<std::u16string, EFI_STATUS>> &Failures,
                      const std::u16string &Name) {
  for (const auto &Failure : Failures) {
    if (Failure.first == Name) {
      return Failure.second;
    }
  }
  return EFI_SUCCESS;
}

void SetFailure(std::vector<std::pair<std::u16string, EFI_STATUS>> &Failures, const std::u16string &Name,
                EFI_STATUS Status) {
  Failures.erase(std::remove_if(Failures.begin(), Failures.end(),
                                [&](const auto &Failure) { return Failure.first == Name; }),
                 Failures.end());
  if (Status != EFI_SUCCESS) {
    Failures.emplace_back(Name, Status);
  }
}

}  // namespace

const Variable *VariableStore::Find(const std::u16string &Name, const EFI_GUID &Guid) const {
  for (const Variable &Entry : Variables) {
    if (Entry.Name == Name && SameGuid(Entry.Guid, Guid)) {
      return &Entry;
    }
  }
  return nullptr;
}

std::optional<std::vector<UINT8>> VariableStore::Read(const std::u16string &Name, const EFI_GUID &Guid) const {
  const Variable *Entry = Find(Name, Guid);
  if (Entry == nullptr) {
    return std::nullopt;
  }
  return Entry->Data;
}

void VariableStore::Put(const std::u16string &Name, const EFI_GUID &Guid, std::vector<UINT8> Data, UINT32 Attributes) {
  Remove(Name, Guid);
  Variables.push_back(Variable{Name, Guid, Attributes, std::move(Data)});
}

void VariableStore::Remove(const std::u16string &Name, const EFI_GUID &Guid) {
  Variables.erase(std::remove_if(Variables.begin(), Variables.end(),
                                 [&](const Variable &Entry) { return Entry.Name == Name && SameGuid(Entry.Guid, Guid); }),
                  Variables.end());
}

void VariableStore::FailGet(const std::u16string &Name, EFI_STATUS Status) { SetFailure(GetFailures, Name, Status); }
void VariableStore::FailSet(const std::u16string &Name, EFI_STATUS Status) { SetFailure(SetFailures, Name, Status); }

EFI_STATUS VariableStore::Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                              VOID *Data) {
  GetCount++;
  if (Name == nullptr || Guid == nullptr || DataSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::u16string Key(Name);
  if (EFI_STATUS Failure = FailureFor(GetFailures, Key)) {
    return Failure;
  }
  const Variable *Entry = Find(Key, *Guid);
  if (Entry == nullptr) {
    return EFI_NOT_FOUND;
  }
  if (Attributes != nullptr) {
    *Attributes = Entry->Attributes;
  }
  if (*DataSize < Entry->Data.size()) {
    *DataSize = Entry->Data.size();
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Data == nullptr && !Entry->Data.empty()) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Entry->Data.empty()) {
    std::memcpy(Data, Entry->Data.data(), Entry->Data.size());
  }
  *DataSize = Entry->Data.size();
  return EFI_SUCCESS;
}

EFI_STATUS VariableStore::Set(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize,
                              const VOID *Data) {
  SetCount++;
  SetByteCount += DataSize;
  if (Name == nullptr || Guid == nullptr || Name[0] == 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (DataSize != 0 && Data == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // Runtime access requires boot-service access.
  if ((Attributes & EFI_VARIABLE_RUNTIME_ACCESS) != 0 && (Attributes & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0) {
    return EFI_INVALID_PARAMETER;
  }
  std::u16string Key(Name);
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  WriteLog.push_back(Write{Key, *Guid, Attributes, std::vector<UINT8>(Bytes, Bytes + DataSize)});
  if (EFI_STATUS Failure = FailureFor(SetFailures, Key)) {
    return Failure;
  }
  const Variable *Existing = Find(Key, *Guid);
  if (DataSize == 0 || (Attributes & (EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)) == 0) {
    if (Existing == nullptr) {
      return EFI_NOT_FOUND;
    }
    Remove(Key, *Guid);
    return EFI_SUCCESS;
  }
  if (Existing != nullptr && Existing->Attributes != Attributes) {
    return EFI_INVALID_PARAMETER;  // attributes of an existing variable cannot change
  }
  Put(Key, *Guid, std::vector<UINT8>(Bytes, Bytes + DataSize), Attributes);
  return EFI_SUCCESS;
}

}  // namespace host
