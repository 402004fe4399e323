// SPDX-License-Identifier: BSD-2-Clause-Patent
// The configuration-string routines alone (config/config_strings.h) over
// arbitrary UTF-16 texts and buffer sizes. Every text and buffer is allocated
// at exactly its size, so a read or write past it is an AddressSanitizer
// report; each answer is compared with a plain model of the documented rule.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config_strings.h"
#include "include/guids.h"
#include "support/strings.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

int HexValue(CHAR16 Character) {
  if (Character >= u'0' && Character <= u'9') return Character - u'0';
  if (Character >= u'a' && Character <= u'f') return Character - u'a' + 10;
  if (Character >= u'A' && Character <= u'F') return Character - u'A' + 10;
  return -1;
}

const char16_t kHexDigits[] = u"0123456789abcdefABCDEF";

std::u16string GuidField(const EFI_GUID &Guid, bool Upper) {
  static const char16_t Lower[] = u"0123456789abcdef";
  static const char16_t Capital[] = u"0123456789ABCDEF";
  const char16_t *Digits = Upper ? Capital : Lower;
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(&Guid);
  std::u16string Out;
  for (size_t Index = 0; Index < sizeof(EFI_GUID); Index++) {
    Out += Digits[Bytes[Index] >> 4];
    Out += Digits[Bytes[Index] & 15];
  }
  return Out;
}

std::u16string HexName(const std::u16string &Name) {
  static const char16_t Digits[] = u"0123456789abcdef";
  std::u16string Out;
  for (CHAR16 Character : Name) {
    for (int Shift = 12; Shift >= 0; Shift -= 4) Out += Digits[(Character >> Shift) & 15];
  }
  return Out;
}

// A text made of the pieces configuration strings are made of, so that the
// header test, the name and the GUID paths are all reached; or plain noise.
std::u16string MakeText(fuzz::Input &In, const EFI_GUID &OwnGuid) {
  std::u16string Text;
  if (In.Below(4) == 0) {
    size_t Length = In.Below(300);
    for (size_t Index = 0; Index < Length; Index++) Text += static_cast<CHAR16>(In.U16());
  } else {
    if (In.Below(4) != 0) Text = u"GUID=";
    size_t Pieces = In.Below(12);
    for (size_t Piece = 0; Piece < Pieces; Piece++) {
      static const char16_t *const Keywords[] = {u"GUID=", u"&NAME=", u"NAME=", u"&PATH=", u"&OFFSET=",
                                                 u"&WIDTH=", u"&VALUE=", u"&", u"=", u"NAME"};
      switch (In.Below(7)) {
        case 0: {
          size_t Store = In.Below(VARIABLE_STORE_COUNT + 1);
          Text += GuidField(Store == VARIABLE_STORE_COUNT ? OwnGuid : *VarStoreGuidTable(Store), In.Bool());
          break;
        }
        case 1:
          Text += Keywords[In.Below(sizeof(Keywords) / sizeof(Keywords[0]))];
          break;
        case 2: {
          std::u16string Name = mVariableStores[In.Below(VARIABLE_STORE_COUNT)].Name;
          Text += In.Bool() ? HexName(Name) : Name;
          break;
        }
        case 3: {
          size_t Run = In.Below(80);
          for (size_t Index = 0; Index < Run; Index++) Text += kHexDigits[In.Below(22)];
          break;
        }
        case 4: {
          size_t Run = In.Below(130);
          Text += std::u16string(Run, static_cast<CHAR16>(u'A' + In.Below(26)));
          break;
        }
        default: {
          size_t Run = 1 + In.Below(4);
          for (size_t Index = 0; Index < Run; Index++) Text += static_cast<CHAR16>(In.Bool() ? In.Byte() : In.U16());
          break;
        }
      }
    }
  }
  size_t Nul = Text.find(u'\0');
  return Nul == std::u16string::npos ? Text : Text.substr(0, Nul);
}

// A copy of Text with nothing readable after its NUL.
std::unique_ptr<CHAR16[]> Exact(const std::u16string &Text) {
  std::unique_ptr<CHAR16[]> Copy(new CHAR16[Text.size() + 1]);
  std::memcpy(Copy.get(), Text.c_str(), (Text.size() + 1) * sizeof(CHAR16));
  return Copy;
}

void CheckHexDigitValue(CHAR16 Character) {
  UINT8 Value = 0xA5;
  BOOLEAN IsDigit = HexDigitValue(Character, &Value);
  int Expected = HexValue(Character);
  CHECK((IsDigit != FALSE) == (Expected >= 0));
  CHECK(IsDigit ? Value == Expected : Value == 0xA5);
}

void CheckHexStringToBytes(const CHAR16 *Text, size_t Capacity, bool WantCount) {
  size_t Digits = 0;
  while (HexValue(Text[Digits]) >= 0) Digits++;
  size_t Needed = (Digits + 1) / 2;

  std::unique_ptr<UINT8[]> Buffer(new UINT8[Capacity]);
  std::memset(Buffer.get(), 0xA5, Capacity);
  UINTN Size = Capacity;
  UINTN Count = 0xDEAD;
  EFI_STATUS Status = HexStringToBytes(Buffer.get(), &Size, Text, WantCount ? &Count : nullptr);
  CHECK(Size == Needed);
  if (Needed > Capacity) {
    CHECK(Status == EFI_BUFFER_TOO_SMALL);
    for (size_t Index = 0; Index < Capacity; Index++) CHECK(Buffer[Index] == 0xA5);
    CHECK(Count == 0xDEAD);
    return;
  }
  CHECK(Status == EFI_SUCCESS);
  CHECK(!WantCount || Count == Digits);
  // The k-th digit from the end is the low (k even) or high (k odd) nibble of byte k / 2.
  for (size_t Byte = 0; Byte < Needed; Byte++) {
    size_t Low = Digits - 1 - 2 * Byte;
    UINT8 Expected = static_cast<UINT8>(HexValue(Text[Low]));
    if (Low >= 1) Expected |= static_cast<UINT8>(HexValue(Text[Low - 1]) << 4);
    CHECK(Buffer[Byte] == Expected);
  }
  for (size_t Index = Needed; Index < Capacity; Index++) CHECK(Buffer[Index] == 0xA5);
}

bool ModelHeaderMatches(const std::u16string &Text, const EFI_GUID &Guid) {
  if (Text.size() < CONFIG_HDR_MIN_LENGTH || Text[CONFIG_HDR_GUID_END] != u'&') return false;
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(&Guid);
  for (size_t Index = 0; Index < sizeof(EFI_GUID); Index++) {
    int High = HexValue(Text[CONFIG_HDR_GUID_START + 2 * Index]);
    int Low = HexValue(Text[CONFIG_HDR_GUID_START + 2 * Index + 1]);
    if (High < 0 || Low < 0 || ((High << 4) | Low) != Bytes[Index]) return false;
  }
  return true;
}

void CheckName(const std::u16string &Model, const CHAR16 *Text, UINT32 Capacity) {
  // Model: the first "NAME=", then the first '&' after it.
  EFI_STATUS ExpectedStatus = EFI_SUCCESS;
  std::u16string ExpectedName;
  size_t Start = Model.find(u"NAME=");
  size_t End = Start == std::u16string::npos ? Start : Model.find(u'&', Start + 5);
  if (End == std::u16string::npos) {
    ExpectedStatus = EFI_INVALID_PARAMETER;
  } else {
    std::u16string Value = Model.substr(Start + 5, End - Start - 5);
    bool HexForm = Value.size() % 4 == 0;
    for (CHAR16 Character : Value) HexForm = HexForm && HexValue(Character) >= 0;
    if (HexForm) {
      for (size_t Index = 0; Index < Value.size(); Index += 4) {
        CHAR16 Character = 0;
        for (size_t Nibble = 0; Nibble < 4; Nibble++) Character = static_cast<CHAR16>(Character << 4 | HexValue(Value[Index + Nibble]));
        ExpectedName += Character;
      }
    } else {
      ExpectedName = Value;
    }
  }
  UINT32 Required = static_cast<UINT32>((ExpectedName.size() + 1) * sizeof(CHAR16));
  if (ExpectedStatus == EFI_SUCCESS && Required > Capacity) ExpectedStatus = EFI_BUFFER_TOO_SMALL;

  std::unique_ptr<UINT8[]> Buffer(new UINT8[Capacity]);
  std::memset(Buffer.get(), 0xA5, Capacity);
  UINT32 Size = Capacity;
  EFI_STATUS Status = GetNameFromConfigString(Text, reinterpret_cast<CHAR16 *>(Buffer.get()), &Size);
  CHECK(Status == ExpectedStatus);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    CHECK(Size == Required);  // the required size is written back, the buffer is not used
  } else {
    CHECK(Size == Capacity);
  }
  if (Status != EFI_SUCCESS) {
    for (size_t Index = 0; Index < Capacity; Index++) CHECK(Buffer[Index] == 0xA5);
    return;
  }
  // The name (a decoded character may be NUL) and its terminator, nothing more.
  CHECK(std::memcmp(Buffer.get(), ExpectedName.c_str(), Required) == 0);
  for (size_t Index = Required; Index < Capacity; Index++) CHECK(Buffer[Index] == 0xA5);

}

// The entry points' form, for a header one of them accepted: a 200-byte name
// buffer, used only when the name fits it.
void CheckVariable(const std::u16string &Model, const CHAR16 *Text, const EFI_GUID &Matched) {
  size_t Start = Model.find(u"NAME=");
  size_t End = Start == std::u16string::npos ? Start : Model.find(u'&', Start + 5);
  std::unique_ptr<CHAR16[]> Name(new CHAR16[CONFIG_NAME_BUFFER_SIZE / sizeof(CHAR16)]);
  UINT32 Size = CONFIG_NAME_BUFFER_SIZE;
  bool Fits = End != std::u16string::npos && GetNameFromConfigString(Text, Name.get(), &Size) == EFI_SUCCESS;
  EFI_GUID Guid;
  std::memset(&Guid, 0x5A, sizeof(Guid));
  BOOLEAN Usable = GetVariableFromConfigString(Text, Name.get(), &Guid);
  CHECK((Usable != FALSE) == Fits);
  CHECK(!Usable || std::memcmp(&Guid, &Matched, sizeof(Guid)) == 0);
}

void CheckFind(const std::u16string &Model, const CHAR16 *Text, const std::u16string &Pattern) {
  std::unique_ptr<CHAR16[]> ExactPattern = Exact(Pattern);
  const CHAR16 *Found = Utf16Find(Text, ExactPattern.get());
  size_t Expected = Model.find(Pattern);
  if (Expected == std::u16string::npos) {
    CHECK(Found == nullptr);
  } else {
    CHECK(Found == Text + Expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Input In(Data, Size);
  EFI_GUID OwnGuid;
  std::vector<uint8_t> GuidBytes = In.Bytes(sizeof(EFI_GUID));
  std::memcpy(&OwnGuid, GuidBytes.data(), sizeof(OwnGuid));

  std::u16string Model = MakeText(In, OwnGuid);
  std::unique_ptr<CHAR16[]> Text = Exact(Model);

  CheckHexDigitValue(In.U16());
  for (CHAR16 Character : Model) CheckHexDigitValue(Character);

  // The digit run at any position of the text, into buffers of any size.
  size_t Offset = Model.empty() ? 0 : In.Below(Model.size() + 1);
  CheckHexStringToBytes(Text.get() + Offset, In.Below(48), In.Bool());
  CheckHexStringToBytes(Text.get() + Offset, In.Below(48), In.Bool());

  // Header test against each store and against a GUID of the input's own.
  bool NamesStore = false;
  const EFI_GUID *Matched = nullptr;
  for (size_t Store = 0; Store <= VARIABLE_STORE_COUNT; Store++) {
    const EFI_GUID *Guid = Store == VARIABLE_STORE_COUNT ? &OwnGuid : VarStoreGuidTable(Store);
    BOOLEAN Matches = ConfigHdrMatchesGuid(Text.get(), Guid);
    CHECK((Matches != FALSE) == ModelHeaderMatches(Model, *Guid));
    if (Matches) {
      Matched = Guid;
      NamesStore = NamesStore || Store < VARIABLE_STORE_COUNT;
    }
  }
  CHECK((ConfigHdrNamesStore(Text.get()) != FALSE) == NamesStore);
  CHECK(std::u16string(Text.get()) == Model);  // the tests leave the text as it was

  if (Matched != nullptr) {
    EFI_GUID Guid;
    std::memset(&Guid, 0x5A, sizeof(Guid));
    GetGuidFromConfigString(&Guid, Text.get());
    CHECK(std::memcmp(&Guid, Matched, sizeof(Guid)) == 0);
    CheckVariable(Model, Text.get(), *Matched);
  }

  CheckName(Model, Text.get(), static_cast<UINT32>(In.Below(260)));

  // Substring search: a pattern cut from the text, or one of its own.
  std::u16string Pattern;
  if (In.Bool() && !Model.empty()) {
    size_t From = In.Below(Model.size());
    Pattern = Model.substr(From, In.Below(Model.size() - From + 1));
  } else {
    size_t Length = In.Below(6);
    for (size_t Index = 0; Index < Length; Index++) Pattern += static_cast<CHAR16>(1 + In.Below(0x7F));
  }
  CheckFind(Model, Text.get(), Pattern);
  CheckFind(Model, Text.get(), u"NAME=");
  return 0;
}
