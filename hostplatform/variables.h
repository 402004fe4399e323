// SPDX-License-Identifier: BSD-2-Clause-Patent
// In-memory UEFI variable store with the semantics of GetVariable and
// SetVariable, plus failure injection and a write log.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "include/uefi_types.h"

namespace host {

struct Variable {
  std::u16string Name;
  EFI_GUID Guid;
  UINT32 Attributes;
  std::vector<UINT8> Data;
};

class VariableStore {
 public:
  EFI_STATUS Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize, VOID *Data);
  EFI_STATUS Set(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize, const VOID *Data);

  // Test-side access, bypassing the service and its log.
  void Put(const std::u16string &Name, const EFI_GUID &Guid, std::vector<UINT8> Data, UINT32 Attributes = 7);
  const Variable *Find(const std::u16string &Name, const EFI_GUID &Guid) const;
  std::optional<std::vector<UINT8>> Read(const std::u16string &Name, const EFI_GUID &Guid) const;
  void Remove(const std::u16string &Name, const EFI_GUID &Guid);
  size_t Count() const { return Variables.size(); }
  const std::vector<Variable> &All() const { return Variables; }

  // Fail every Get (or Set) of Name with Status until cleared with EFI_SUCCESS.
  void FailGet(const std::u16string &Name, EFI_STATUS Status);
  void FailSet(const std::u16string &Name, EFI_STATUS Status);

  // Every SetVariable call that reached the store, in order.
  struct Write {
    std::u16string Name;
    EFI_GUID Guid;
    UINT32 Attributes;
    std::vector<UINT8> Data;
  };
  const std::vector<Write> &Writes() const { return WriteLog; }
  size_t GetCalls() const { return GetCount; }
  // Every SetVariable call, refused ones included, and the data bytes they
  // passed: what a page visit costs the flash.
  size_t SetCalls() const { return SetCount; }
  size_t SetBytes() const { return SetByteCount; }

 private:
  std::vector<Variable> Variables;
  std::vector<std::pair<std::u16string, EFI_STATUS>> GetFailures;
  std::vector<std::pair<std::u16string, EFI_STATUS>> SetFailures;
  std::vector<Write> WriteLog;
  size_t GetCount = 0;
  size_t SetCount = 0;
  size_t SetByteCount = 0;
};

}  // namespace host
