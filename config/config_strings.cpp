// SPDX-License-Identifier: BSD-2-Clause-Patent
// Configuration headers: which store a string is for, its name and GUID, hex digits.
#include "config/config_strings.h"

#include "support/strings.h"

BOOLEAN HexDigitValue(CHAR16 Character, UINT8 *Value) {
  if (Character >= u'0' && Character <= u'9') {
    *Value = (UINT8)(Character - u'0');
  } else if (Character >= u'A' && Character <= u'F') {
    *Value = (UINT8)(Character - u'A' + 10);
  } else if (Character >= u'a' && Character <= u'f') {
    *Value = (UINT8)(Character - u'a' + 10);
  } else {
    return FALSE;
  }
  return TRUE;
}

EFI_STATUS HexStringToBytes(UINT8 *Buffer, UINTN *BufferSize, const CHAR16 *Text, UINTN *DigitCount) {
  UINT8 Digit;
  UINTN Count = 0;
  while (HexDigitValue(Text[Count], &Digit)) {
    Count++;
  }
  UINTN Needed = (Count + 1) / 2;
  if (Needed > *BufferSize) {
    *BufferSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  *BufferSize = Needed;
  for (UINTN Index = 0; Index < Count; Index++) {
    HexDigitValue(Text[Count - 1 - Index], &Digit);
    if ((Index & 1) == 0) {
      Buffer[Index / 2] = Digit;
    } else {
      Buffer[Index / 2] |= (UINT8)(Digit << 4);
    }
  }
  if (DigitCount != NULL) {
    *DigitCount = Count;
  }
  return EFI_SUCCESS;
}

// Converts the GUID field and reverses the bytes into the order they are
// written, which is the GUID's memory order. Returns the digit count, 0 when
// the run does not fit Capacity.
static UINTN ReadGuidField(const CHAR16 *ConfigString, UINT8 *Bytes, UINTN Capacity) {
  UINTN Size = Capacity;
  UINTN Digits = 0;
  if (EFI_ERROR(HexStringToBytes(Bytes, &Size, ConfigString + CONFIG_HDR_GUID_START, &Digits))) {
    return 0;
  }
  for (UINTN Index = 0; Index < Size / 2; Index++) {
    UINT8 Swap = Bytes[Index];
    Bytes[Index] = Bytes[Size - 1 - Index];
    Bytes[Size - 1 - Index] = Swap;
  }
  return Digits;
}

BOOLEAN ConfigHdrMatchesGuid(const CHAR16 *ConfigString, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < CONFIG_HDR_MIN_LENGTH; Index++) {
    if (ConfigString[Index] == 0) {
      return FALSE;
    }
  }
  // The '&' at 37 also ends the digit run, so at most 32 digits are read.
  if (ConfigString[CONFIG_HDR_GUID_END] != u'&') {
    return FALSE;
  }
  EFI_GUID Written;
  if (ReadGuidField(ConfigString, reinterpret_cast<UINT8 *>(&Written), sizeof(Written)) != CONFIG_HDR_GUID_DIGITS) {
    return FALSE;
  }
  return GuidsEqual(&Written, Guid);
}

BOOLEAN ConfigHdrNamesStore(const CHAR16 *ConfigString) {
  for (UINTN Index = 0; Index < VARIABLE_STORE_COUNT; Index++) {
    if (ConfigHdrMatchesGuid(ConfigString, VarStoreGuidTable(Index))) {
      return TRUE;
    }
  }
  return FALSE;
}

EFI_STATUS GetNameFromConfigString(const CHAR16 *ConfigString, CHAR16 *Name, UINT32 *NameSize) {
  const CHAR16 *Start = Utf16Find(ConfigString, u"NAME=");
  if (Start == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  Start += 5;
  UINTN Length = 0;
  while (Start[Length] != 0 && Start[Length] != u'&') {
    Length++;
  }
  if (Start[Length] != u'&') {
    return EFI_INVALID_PARAMETER;
  }
  // Hex form: four digits per character. No store name consists of hex
  // digits alone with a length that is a multiple of four.
  UINT8 Digit;
  BOOLEAN HexForm = (Length % 4) == 0;
  for (UINTN Index = 0; HexForm && Index < Length; Index++) {
    HexForm = HexDigitValue(Start[Index], &Digit);
  }
  UINTN Characters = HexForm ? Length / 4 : Length;
  UINTN Required = (Characters + 1) * sizeof(CHAR16);
  if (Required > *NameSize) {
    *NameSize = (UINT32)Required;
    return EFI_BUFFER_TOO_SMALL;
  }
  for (UINTN Index = 0; Index < Characters; Index++) {
    if (!HexForm) {
      Name[Index] = Start[Index];
      continue;
    }
    CHAR16 Character = 0;
    for (UINTN Nibble = 0; Nibble < 4; Nibble++) {
      HexDigitValue(Start[Index * 4 + Nibble], &Digit);
      Character = (CHAR16)((Character << 4) | Digit);
    }
    Name[Index] = Character;
  }
  Name[Characters] = 0;
  return EFI_SUCCESS;
}

VOID GetGuidFromConfigString(EFI_GUID *Guid, const CHAR16 *ConfigString) {
  // After the header test the digit run is exactly the 32 digits of the GUID.
  ReadGuidField(ConfigString, reinterpret_cast<UINT8 *>(Guid), sizeof(EFI_GUID));
}

BOOLEAN GetVariableFromConfigString(const CHAR16 *ConfigString, CHAR16 *Name, EFI_GUID *Guid) {
  UINT32 NameSize = CONFIG_NAME_BUFFER_SIZE;
  if (EFI_ERROR(GetNameFromConfigString(ConfigString, Name, &NameSize))) {
    return FALSE;
  }
  GetGuidFromConfigString(Guid, ConfigString);
  return TRUE;
}
