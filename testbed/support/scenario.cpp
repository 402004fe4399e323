// SPDX-License-Identifier: BSD-2-Clause-Patent
// The scenario lines a testbed boot runs.
#include "testbed/support/scenario.h"

#include "testbed/include/testbed_protocols.h"
#include "testbed/support/text.h"

BOOLEAN ScenarioValue(EFI_RUNTIME_SERVICES *RT, const CHAR8 *Key, CHAR8 *Value, UINTN Capacity) {
  CHAR8 Text[1024];
  UINTN Size = sizeof(Text) - 1;
  if (EFI_ERROR(RT->GetVariable(u"QvScenario", &gTestbedVariableGuid, NULL, &Size, Text))) {
    return FALSE;
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
