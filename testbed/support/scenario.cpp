// SPDX-License-Identifier: BSD-2-Clause-Patent
// The scenario lines a testbed boot runs.
#include "testbed/support/scenario.h"

#include "testbed/include/testbed_protocols.h"
#include "testbed/support/text.h"

namespace {

// QEMU's firmware configuration device: a 16-bit selector port and an 8-bit
// data port; item 0x19 is the file directory (big-endian count, then per
// file a big-endian size and selector, two reserved bytes and a 56-byte name).
constexpr UINT16 kFwCfgSelector = 0x510;
constexpr UINT16 kFwCfgData = 0x511;
constexpr UINT16 kFwCfgFileDirectory = 0x19;

VOID FwCfgSelect(UINT16 Item) { __asm__ volatile("outw %0, %1" : : "a"(Item), "Nd"(kFwCfgSelector)); }
UINT8 FwCfgByte() {
  UINT8 Value;
  __asm__ volatile("inb %1, %0" : "=a"(Value) : "Nd"(kFwCfgData));
  return Value;
}
UINT32 FwCfgBigEndian(UINTN Bytes) {
  UINT32 Value = 0;
  for (UINTN Index = 0; Index < Bytes; Index++) {
    Value = Value << 8 | FwCfgByte();
  }
  return Value;
}

// The fw_cfg file "opt/quorvane/scenario" (QEMU -fw_cfg name=...,string=...):
// the scenario of a boot without the boot application, whose firmware has
// the testbed services built in. Its size, or 0 when there is none.
UINTN ReadFwCfgScenario(CHAR8 *Text, UINTN Capacity) {
  static const CHAR8 kName[] = "opt/quorvane/scenario";
  FwCfgSelect(kFwCfgFileDirectory);
  UINT32 Count = FwCfgBigEndian(4);
  for (UINT32 File = 0; File < Count && File < 256; File++) {
    UINT32 Size = FwCfgBigEndian(4);
    UINT16 Item = (UINT16)FwCfgBigEndian(2);
    FwCfgBigEndian(2);
    BOOLEAN Matches = TRUE;
    for (UINTN Index = 0; Index < 56; Index++) {
      CHAR8 Char = (CHAR8)FwCfgByte();
      if (Index < sizeof(kName) && Char != kName[Index]) {
        Matches = FALSE;
      }
    }
    if (Matches) {
      UINTN Length = Size < Capacity ? Size : Capacity;
      FwCfgSelect(Item);
      for (UINTN Index = 0; Index < Length; Index++) {
        Text[Index] = (CHAR8)FwCfgByte();
      }
      return Length;
    }
  }
  return 0;
}

}  // namespace

BOOLEAN ScenarioValue(EFI_RUNTIME_SERVICES *RT, const CHAR8 *Key, CHAR8 *Value, UINTN Capacity) {
  CHAR8 Text[1024];
  UINTN Size = sizeof(Text) - 1;
  if (EFI_ERROR(RT->GetVariable(u"QvScenario", &gTestbedVariableGuid, NULL, &Size, Text))) {
    Size = ReadFwCfgScenario(Text, sizeof(Text) - 1);
  }
  Text[Size] = 0;
  UINTN KeyLength = AsciiLength(Key);
  for (UINTN Line = 0; Line < Size;) {
    UINTN End = Line;
    while (End < Size && Text[End] != '\n' && Text[End] != '\r') {
      End++;
    }
    BOOLEAN Matches = End - Line > KeyLength && Text[Line + KeyLength] == '=';
    for (UINTN Index = 0; Matches && Index < KeyLength; Index++) {
      Matches = Text[Line + Index] == Key[Index];
    }
    if (Matches) {
      UINTN Out = 0;
      for (UINTN Index = Line + KeyLength + 1; Index < End && Out + 1 < Capacity; Index++) {
        Value[Out++] = Text[Index];
      }
      Value[Out] = 0;
      return TRUE;
    }
    Line = End + 1;
  }
  return FALSE;
}

BOOLEAN ScenarioIs(EFI_RUNTIME_SERVICES *RT, const CHAR8 *Key, const CHAR8 *Expected) {
  CHAR8 Value[64];
  return ScenarioValue(RT, Key, Value, sizeof(Value)) && AsciiEqual(Value, Expected);
}
