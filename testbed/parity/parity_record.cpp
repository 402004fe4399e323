// SPDX-License-Identifier: BSD-2-Clause-Patent
// The parity record: the same scenarios on firmware and on the host platform.
#include "testbed/parity/parity_record.h"

#include "include/guids.h"
#include "include/protocols/hii_string.h"

const PARITY_STORE mParityStores[PARITY_STORE_COUNT] = {
    {u"Setup", &gSetupVariableGuid, 868, 703, 1},
    {u"TpmStatusVar", &gTpmStatusVarGuid, 82, 80, 1},
    {u"PbaStatusVar", &gPbaStatusVarGuid, 12, 11, 1},
    {u"StatusSetupVar", &gStatusSetupVarGuid, 99, 0, 0x5A},
    {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, 9, 0, 0x33},
    {u"System", &gSystemConfigurationGuid, 21, 17, 12},
    {u"UserManagerVar", &gUserManagerVarGuid, 5, 0, 0x44},
};

namespace {

// ---------------------------------------------------------------- one line
// Long enough for a whole "Setup" block twice over; a longer line is cut and
// says so, which the comparison then shows.
CHAR8 mLine[16384];
UINTN mLineLength;
const CHAR8 kTruncated[] = " <truncated>";

VOID Put(CHAR8 Character) {
  if (mLineLength + sizeof(kTruncated) < sizeof(mLine)) {
    mLine[mLineLength++] = Character;
  } else if (mLineLength + sizeof(kTruncated) == sizeof(mLine)) {
    for (const CHAR8 *Mark = kTruncated; *Mark != 0; Mark++) {
      mLine[mLineLength++] = *Mark;
    }
  }
}

VOID Ascii(const CHAR8 *Text) {
  for (; *Text != 0; Text++) {
    Put(*Text);
  }
}

VOID Hex(UINT64 Value, UINTN MinimumDigits = 1) {
  CHAR8 Digits[17];
  UINTN Count = 0;
  do {
    Digits[Count++] = "0123456789abcdef"[Value & 0xF];
    Value >>= 4;
  } while (Value != 0 || Count < MinimumDigits);
  while (Count != 0) {
    Put(Digits[--Count]);
  }
}

VOID Decimal(UINT64 Value) {
  CHAR8 Digits[21];
  UINTN Count = 0;
  do {
    Digits[Count++] = (CHAR8)('0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  while (Count != 0) {
    Put(Digits[--Count]);
  }
}

VOID Bytes(const VOID *Data, UINTN Size) {
  const UINT8 *Byte = static_cast<const UINT8 *>(Data);
  for (UINTN Index = 0; Index < Size; Index++) {
    Hex(Byte[Index], 2);
  }
}

// Printable ASCII as it is; anything else (and the backslash) as \uXXXX.
VOID Text(const CHAR16 *Value) {
  if (Value == NULL) {
    Ascii("null");
    return;
  }
  for (; *Value != 0; Value++) {
    if (*Value >= 0x20 && *Value < 0x7F && *Value != u'\\') {
      Put((CHAR8)*Value);
    } else {
      Ascii("\\u");
      Hex(*Value, 4);
    }
  }
}

VOID AsciiText(const CHAR8 *Value) {
  for (; *Value != 0; Value++) {
    if (*Value >= 0x20 && *Value < 0x7F && *Value != '\\') {
      Put(*Value);
    } else {
      Ascii("\\u");
      Hex((UINT8)*Value, 4);
    }
  }
}

UINTN Length16(const CHAR16 *Text) {
  UINTN Length = 0;
  while (Text != NULL && Text[Length] != 0) {
    Length++;
  }
  return Length;
}

VOID Progress(const CHAR16 *Base, const CHAR16 *Value) {
  Ascii(" progress=");
  if (Value == NULL) {
    Ascii("none");
  } else if (Value < Base || Value > Base + Length16(Base)) {
    Ascii("outside");
  } else {
    Decimal((UINT64)(Value - Base));
  }
}

VOID Begin(const CHAR8 *What) {
  mLineLength = 0;
  Ascii("parity ");
  Ascii(What);
}

VOID End(const PARITY_PLATFORM *Platform) {
  mLine[mLineLength] = 0;
  Platform->WriteLine(mLine);
}

// ---------------------------------------------------------------- strings sent
enum HeaderForm { kLowerHeader, kUpperHeader, kPlainNameHeader, kNoHeader };

VOID AppendBytes(PARITY_TEXT *T, const VOID *Data, UINTN Size, BOOLEAN Upper) {
  const CHAR16 *Digits = Upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  const UINT8 *Byte = static_cast<const UINT8 *>(Data);
  for (UINTN Index = 0; Index < Size && T->Length + 3 < sizeof(T->Data) / sizeof(CHAR16); Index++) {
    T->Data[T->Length++] = Digits[Byte[Index] >> 4];
    T->Data[T->Length++] = Digits[Byte[Index] & 0xF];
  }
  T->Data[T->Length] = 0;
}

VOID AppendNumber(PARITY_TEXT *T, UINT64 Value, UINTN Digits, BOOLEAN Upper) {
  CHAR16 Out[17];
  const CHAR16 *Set = Upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  for (UINTN Index = 0; Index < Digits; Index++) {
    Out[Digits - 1 - Index] = Set[(Value >> (4 * Index)) & 0xF];
  }
  Out[Digits] = 0;
  ParityAppend(T, Out);
}

VOID Header(PARITY_TEXT *T, const PARITY_PLATFORM *Platform, UINTN Store, HeaderForm Form) {
  T->Length = 0;
  T->Data[0] = 0;
  if (Form == kNoHeader) {
    return;
  }
  BOOLEAN Upper = Form == kUpperHeader;
  const PARITY_STORE *S = &mParityStores[Store];
  ParityAppend(T, u"GUID=");
  AppendBytes(T, S->Guid, sizeof(EFI_GUID), Upper);
  ParityAppend(T, u"&NAME=");
  if (Form == kPlainNameHeader) {
    ParityAppend(T, S->Name);
  } else {
    for (const CHAR16 *C = S->Name; *C != 0; C++) {
      AppendNumber(T, *C, 4, Upper);
    }
  }
  ParityAppend(T, u"&PATH=");
  AppendBytes(T, Platform->DriverPath, Platform->DriverPathSize, Upper);
}

VOID Variables(const PARITY_PLATFORM *Platform, const CHAR8 *Label) {
  for (UINTN Store = 0; Store < PARITY_STORE_COUNT; Store++) {
    const PARITY_STORE *S = &mParityStores[Store];
    UINT8 Data[1024];
    UINTN Size = sizeof(Data);
    UINT32 Attributes = 0;
    EFI_STATUS Status = Platform->System->RuntimeServices->GetVariable(S->Name, S->Guid, &Attributes, &Size, Data);
    Begin("variable ");
    Ascii(Label);
    Ascii(" ");
    Text(S->Name);
    Ascii(" status=");
    Hex(Status);
    Ascii(" attributes=");
    Hex(EFI_ERROR(Status) ? 0 : Attributes);
    Ascii(" size=");
    Decimal(EFI_ERROR(Status) ? 0 : Size);
    Ascii(" data=");
    if (!EFI_ERROR(Status)) {
      Bytes(Data, Size);
    }
    End(Platform);
  }
}

// ---------------------------------------------------------------- routing's block conversions
// Called directly with the "System" header; the block is a fixed pattern.
struct CONVERSION_CASE {
  const CHAR8 *Name;
  HeaderForm Form;
  const CHAR16 *Elements;
  UINTN Store;  // whose header
};
constexpr UINTN kConversionStore = 5;  // "System"
constexpr UINTN kHddStore = 4;         // a plain name with the letters A to F

const CONVERSION_CASE kBlockToConfigCases[] = {
    {"header-only", kLowerHeader, u"", kConversionStore},
    {"one-byte", kLowerHeader, u"&OFFSET=0&WIDTH=1", kConversionStore},
    {"two-fields", kLowerHeader, u"&OFFSET=1&WIDTH=2&OFFSET=0004&WIDTH=0004", kConversionStore},
    {"unsorted", kLowerHeader, u"&OFFSET=000c&WIDTH=0002&OFFSET=0000&WIDTH=0003", kConversionStore},
    {"overlapping", kLowerHeader, u"&OFFSET=0&WIDTH=4&OFFSET=2&WIDTH=4", kConversionStore},
    {"whole-block", kLowerHeader, u"&OFFSET=0&WIDTH=10", kConversionStore},
    {"leading-zeros", kLowerHeader, u"&OFFSET=00000003&WIDTH=00000001", kConversionStore},
    {"upper-case", kUpperHeader, u"&OFFSET=000A&WIDTH=0002", kConversionStore},
    {"plain-name", kPlainNameHeader, u"&OFFSET=0&WIDTH=1", kConversionStore},
    {"past-end", kLowerHeader, u"&OFFSET=0&WIDTH=1&OFFSET=000f&WIDTH=0002", kConversionStore},
    {"offset-past-end", kLowerHeader, u"&OFFSET=0010&WIDTH=0001", kConversionStore},
    {"width-zero", kLowerHeader, u"&OFFSET=0&WIDTH=0", kConversionStore},
    {"label-element", kLowerHeader, u"&OFFSET=0&WIDTH=1&LABEL=1", kConversionStore},
    {"trailing-ampersand", kLowerHeader, u"&OFFSET=0&WIDTH=1&", kConversionStore},
    {"no-width", kLowerHeader, u"&OFFSET=0", kConversionStore},
    {"plain-name-hex-letters", kPlainNameHeader, u"&OFFSET=0&WIDTH=1", kHddStore},
    {"past-end-then-more", kLowerHeader, u"&OFFSET=0&WIDTH=1&OFFSET=000f&WIDTH=0002&OFFSET=1&WIDTH=1",
     kConversionStore},
    {"double-ampersand", kLowerHeader, u"&OFFSET=0&WIDTH=1&&OFFSET=1&WIDTH=1", kConversionStore},
    {"width-not-hex", kLowerHeader, u"&OFFSET=0&WIDTH=1x", kConversionStore},
    {"offset-not-hex", kLowerHeader, u"&OFFSET=g&WIDTH=1", kConversionStore},
    {"value-element", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=00", kConversionStore},
    {"offset-empty", kLowerHeader, u"&OFFSET=&WIDTH=1", kConversionStore},
    {"width-empty", kLowerHeader, u"&OFFSET=0&WIDTH=", kConversionStore},
    {"header-ampersand", kLowerHeader, u"&", kConversionStore},
    {"no-header", kNoHeader, u"OFFSET=0&WIDTH=1", kConversionStore},
};

const CONVERSION_CASE kConfigToBlockCases[] = {
    {"header-only", kLowerHeader, u"", kConversionStore},
    {"one-byte", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=5a", kConversionStore},
    {"upper-value", kLowerHeader, u"&OFFSET=0001&WIDTH=0002&VALUE=A1B2", kConversionStore},
    {"short-value", kLowerHeader, u"&OFFSET=4&WIDTH=2&VALUE=7", kConversionStore},
    {"empty-value", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=", kConversionStore},
    {"two-fields", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=01&OFFSET=000e&WIDTH=0002&VALUE=0302", kConversionStore},
    {"whole-block", kLowerHeader, u"&OFFSET=0&WIDTH=10&VALUE=0f0e0d0c0b0a09080706050403020100", kConversionStore},
    {"long-value", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=123", kConversionStore},
    {"value-not-hex", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=x1", kConversionStore},
    {"value-not-hex-last", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=1x", kConversionStore},
    {"value-not-hex-all", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=zz", kConversionStore},
    {"short-value-wide", kLowerHeader, u"&OFFSET=0&WIDTH=8&VALUE=7", kConversionStore},
    {"value-odd-digits", kLowerHeader, u"&OFFSET=0&WIDTH=2&VALUE=123", kConversionStore},
    {"offset-empty", kLowerHeader, u"&OFFSET=&WIDTH=1&VALUE=01", kConversionStore},
    {"width-empty", kLowerHeader, u"&OFFSET=0&WIDTH=&VALUE=01", kConversionStore},
    {"header-ampersand", kLowerHeader, u"&", kConversionStore},
    {"no-value", kLowerHeader, u"&OFFSET=0&WIDTH=1", kConversionStore},
    {"past-end", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=09&OFFSET=000f&WIDTH=0002&VALUE=0102", kConversionStore},
    {"past-end-then-more", kLowerHeader, u"&OFFSET=000f&WIDTH=0002&VALUE=0102&OFFSET=1&WIDTH=1&VALUE=44",
     kConversionStore},
    {"two-past-end", kLowerHeader,
     u"&OFFSET=0014&WIDTH=0001&VALUE=01&OFFSET=0010&WIDTH=0002&VALUE=01&OFFSET=2&WIDTH=1&VALUE=55", kConversionStore},
    {"offset-past-end", kLowerHeader, u"&OFFSET=0010&WIDTH=0001&VALUE=01", kConversionStore},
    {"missing-value-between", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=11&OFFSET=1&WIDTH=1&OFFSET=2&WIDTH=1&VALUE=22",
     kConversionStore},
    {"width-zero", kLowerHeader, u"&OFFSET=0&WIDTH=0&VALUE=00", kConversionStore},
    {"width-zero-after", kLowerHeader, u"&OFFSET=3&WIDTH=1&VALUE=44&OFFSET=5&WIDTH=0&VALUE=00", kConversionStore},
    {"trailing-ampersand", kLowerHeader, u"&OFFSET=0&WIDTH=1&VALUE=5a&", kConversionStore},
    {"upper-case", kUpperHeader, u"&OFFSET=0&WIDTH=1&VALUE=77", kConversionStore},
    {"no-header", kNoHeader, u"OFFSET=0&WIDTH=1&VALUE=01", kConversionStore},
};

constexpr UINTN kConversionBlockSize = 16;
// The buffer is larger than the size passed, so a write past the block shows.
constexpr UINTN kConversionBufferSize = 24;

VOID BlockConversions(PARITY_PLATFORM *Platform) {
  EFI_HII_CONFIG_ROUTING_PROTOCOL *Routing = Platform->Routing;
  EFI_BOOT_SERVICES *BS = Platform->System->BootServices;
  static PARITY_TEXT String;
  for (const CONVERSION_CASE &Case : kBlockToConfigCases) {
    const UINT8 Block[kConversionBlockSize] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                               0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    Header(&String, Platform, Case.Store, Case.Form);
    ParityAppend(&String, Case.Elements);
    EFI_STRING Config = NULL, Reached = NULL;
    EFI_STATUS Status = Routing->BlockToConfig(Routing, String.Data, Block, sizeof(Block), &Config, &Reached);
    Begin("block-to-config ");
    Ascii(Case.Name);
    Ascii(" status=");
    Hex(Status);
    Progress(String.Data, Reached);
    Ascii(" config=");
    Text(EFI_ERROR(Status) ? NULL : Config);
    End(Platform);
    if (!EFI_ERROR(Status) && Config != NULL) {
      BS->FreePool(Config);
    }
  }
  for (const CONVERSION_CASE &Case : kConfigToBlockCases) {
    UINT8 Block[kConversionBufferSize];
    BS->SetMem(Block, sizeof(Block), 0xEE);
    UINTN Size = kConversionBlockSize;
    Header(&String, Platform, Case.Store, Case.Form);
    ParityAppend(&String, Case.Elements);
    EFI_STRING Reached = NULL;
    EFI_STATUS Status = Routing->ConfigToBlock(Routing, String.Data, Block, &Size, &Reached);
    Begin("config-to-block ");
    Ascii(Case.Name);
    Ascii(" status=");
    Hex(Status);
    Progress(String.Data, Reached);
    Ascii(" size=");
    Decimal(Size);
    Ascii(" block=");
    Bytes(Block, sizeof(Block));
    End(Platform);
  }
}

// ---------------------------------------------------------------- the driver's entry points
enum DriverCase { kHeaderCase, kBlockCase, kFieldsCase, kUpperCase, kPastEndCase, kShortValueCase, kLongValueCase };
struct DRIVER_CASE {
  const CHAR8 *Name;
  DriverCase Kind;
};
const DRIVER_CASE kExtractCases[] = {
    {"header", kHeaderCase},    {"block", kBlockCase},      {"fields", kFieldsCase},
    {"upper-case", kUpperCase}, {"past-end", kPastEndCase},
};
const DRIVER_CASE kRouteCases[] = {
    {"header", kHeaderCase},    {"fields", kFieldsCase},    {"short-value", kShortValueCase},
    {"upper-case", kUpperCase}, {"past-end", kPastEndCase}, {"long-value", kLongValueCase},
};

// Offsets 0 to 4 and the last byte: none of them is a byte the driver's
// storage rules or the later boots look at.
VOID DriverRequest(PARITY_TEXT *T, const PARITY_PLATFORM *Platform, UINTN Store, DriverCase Kind, BOOLEAN Route) {
  UINTN Size = mParityStores[Store].Size;
  Header(T, Platform, Store, Kind == kUpperCase ? kUpperHeader : kLowerHeader);
  switch (Kind) {
    case kHeaderCase:
      break;
    case kBlockCase:
      ParityAppend(T, u"&OFFSET=0&WIDTH=");
      AppendNumber(T, Size, 4, FALSE);
      break;
    case kFieldsCase:
      ParityAppend(T, Route ? u"&OFFSET=0001&WIDTH=0002&VALUE=a1b2&OFFSET="
                            : u"&OFFSET=0001&WIDTH=0002&OFFSET=0000&WIDTH=0001&OFFSET=");
      AppendNumber(T, Size - 1, 4, FALSE);
      ParityAppend(T, Route ? u"&WIDTH=0001&VALUE=c3" : u"&WIDTH=0001");
      break;
    case kUpperCase:
      ParityAppend(T, Route ? u"&OFFSET=0000&WIDTH=0001&VALUE=AB" : u"&OFFSET=0000&WIDTH=0004");
      break;
    case kPastEndCase:
      ParityAppend(T, Route ? u"&OFFSET=0000&WIDTH=0001&VALUE=11&OFFSET=" : u"&OFFSET=");
      AppendNumber(T, Size, 4, FALSE);
      ParityAppend(T, Route ? u"&WIDTH=0001&VALUE=22" : u"&WIDTH=0001");
      break;
    case kShortValueCase:
      ParityAppend(T, u"&OFFSET=0003&WIDTH=0002&VALUE=7");
      break;
    case kLongValueCase:
      ParityAppend(T, u"&OFFSET=0000&WIDTH=0001&VALUE=123");
      break;
  }
}

VOID DriverExtractions(PARITY_PLATFORM *Platform) {
  static PARITY_TEXT Request;
  for (UINTN Store = 0; Store < PARITY_STORE_COUNT; Store++) {
    for (const DRIVER_CASE &Case : kExtractCases) {
      DriverRequest(&Request, Platform, Store, Case.Kind, FALSE);
      EFI_STRING Reached = NULL, Results = NULL;
      EFI_STATUS Status = Platform->Driver->ExtractConfig(Platform->Driver, Request.Data, &Reached, &Results);
      ParityExtractLine(Platform, "driver", Store, Case.Name, Request.Data, Status, Reached,
                        EFI_ERROR(Status) ? NULL : Results);
      if (!EFI_ERROR(Status) && Results != NULL) {
        Platform->System->BootServices->FreePool(Results);
      }
    }
  }
}

VOID DriverRoutes(PARITY_PLATFORM *Platform) {
  static PARITY_TEXT Configuration;
  for (UINTN Store = 0; Store < PARITY_STORE_COUNT; Store++) {
    for (const DRIVER_CASE &Case : kRouteCases) {
      DriverRequest(&Configuration, Platform, Store, Case.Kind, TRUE);
      EFI_STRING Reached = NULL;
      EFI_STATUS Status = Platform->Driver->RouteConfig(Platform->Driver, Configuration.Data, &Reached);
      ParityRouteLine(Platform, "driver", Store, Case.Name, Configuration.Data, Status, Reached);
    }
  }
}

// ---------------------------------------------------------------- HII String
EFI_HII_STRING_PROTOCOL *StringService(const PARITY_PLATFORM *Platform) {
  EFI_HII_STRING_PROTOCOL *Service = NULL;
  if (EFI_ERROR(Platform->System->BootServices->LocateProtocol(&gEfiHiiStringProtocolGuid, NULL,
                                                               reinterpret_cast<VOID **>(&Service)))) {
    return NULL;
  }
  return Service;
}

// "parity hii get <language> <id> probe=<status>/<size> read=<status>/<size> text=<text>":
// a size query, then a read into a buffer of the size it reported.
VOID GetStringLine(const PARITY_PLATFORM *Platform, EFI_HII_STRING_PROTOCOL *Service, const CHAR8 *Language,
                   EFI_STRING_ID Id) {
  UINTN Size = 0;
  EFI_STATUS Probe = Service->GetString(Service, Language, Platform->HiiHandle, Id, NULL, &Size, NULL);
  Begin("hii get ");
  AsciiText(Language[0] == 0 ? "<empty>" : Language);
  Ascii(" ");
  Decimal(Id);
  Ascii(" probe=");
  Hex(Probe);
  Ascii("/");
  Decimal(Size);
  static CHAR16 Buffer[2048];
  if (Probe == EFI_BUFFER_TOO_SMALL && Size <= sizeof(Buffer)) {
    EFI_STATUS Read = Service->GetString(Service, Language, Platform->HiiHandle, Id, Buffer, &Size, NULL);
    Ascii(" read=");
    Hex(Read);
    Ascii("/");
    Decimal(Size);
    Ascii(" text=");
    Text(EFI_ERROR(Read) ? NULL : Buffer);
  }
  End(Platform);
}

VOID SetStringLine(const PARITY_PLATFORM *Platform, EFI_HII_STRING_PROTOCOL *Service, const CHAR8 *Language,
                   EFI_STRING_ID Id, const CHAR16 *Value) {
  EFI_STATUS Status = Service->SetString(Service, Platform->HiiHandle, Id, Language, Value, NULL);
  Begin("hii set ");
  AsciiText(Language);
  Ascii(" ");
  Decimal(Id);
  Ascii(" text=");
  Text(Value);
  Ascii(" status=");
  Hex(Status);
  End(Platform);
}

constexpr EFI_STRING_ID kChangesSavedString = 87;
constexpr EFI_STRING_ID kUnlockTextString = 117;
const CHAR8 *const kPackageLanguages[] = {"en-US", "fr-FR", "ja-JP", "ko-KR"};
// Tags the packages do not carry as such: a prefix, another case, another
// language, nothing.
const CHAR8 *const kOtherLanguages[] = {"en", "EN-us", "de-DE", ""};

VOID HiiStrings(PARITY_PLATFORM *Platform) {
  EFI_HII_STRING_PROTOCOL *Service = StringService(Platform);
  if (Service == NULL || Platform->HiiHandle == NULL) {
    Begin("hii unavailable");
    End(Platform);
    return;
  }
  {
    UINTN Size = 0;
    EFI_STATUS Probe = Service->GetLanguages(Service, Platform->HiiHandle, NULL, &Size);
    static CHAR8 Languages[256];
    UINTN ReadSize = sizeof(Languages) - 1;
    EFI_STATUS Read = Service->GetLanguages(Service, Platform->HiiHandle, Languages, &ReadSize);
    Begin("hii languages probe=");
    Hex(Probe);
    Ascii("/");
    Decimal(Size);
    Ascii(" read=");
    Hex(Read);
    Ascii("/");
    Decimal(ReadSize);
    Ascii(" text=");
    if (!EFI_ERROR(Read)) {
      Languages[sizeof(Languages) - 1] = 0;
      AsciiText(Languages);
    }
    End(Platform);
    CHAR8 Small[5] = {'#', '#', '#', '#', '#'};
    UINTN SmallSize = sizeof(Small);
    EFI_STATUS Status = Service->GetLanguages(Service, Platform->HiiHandle, Small, &SmallSize);
    Begin("hii languages-small status=");
    Hex(Status);
    Ascii(" size=");
    Decimal(SmallSize);
    Ascii(" buffer=");
    Bytes(Small, sizeof(Small));
    End(Platform);
  }

  // The lock-out text: the driver reads string 117 and writes it back in the
  // platform language with the user manager's text appended.
  if (Platform->UnlockCallback == NULL) {
    Begin("hii unlock unavailable");
    End(Platform);
  } else {
    static CHAR16 First[] = u"Locked: 3 failed log-ins.";
    static CHAR16 Second[] = u" Try again later.";
    CHAR16 *Texts[] = {First, Second, NULL};
    for (CHAR16 *Value : Texts) {
      EFI_STATUS Status = Platform->UnlockCallback(Value);
      Begin("hii unlock text=");
      Text(Value);
      Ascii(" status=");
      Hex(Status);
      End(Platform);
      for (const CHAR8 *Language : kPackageLanguages) {
        GetStringLine(Platform, Service, Language, kUnlockTextString);
      }
    }
  }

  for (const CHAR8 *Language : kPackageLanguages) {
    GetStringLine(Platform, Service, Language, kChangesSavedString);
  }
  for (const CHAR8 *Language : kOtherLanguages) {
    GetStringLine(Platform, Service, Language, kChangesSavedString);
  }
  const EFI_STRING_ID Ids[] = {0, 1, 0xFFFF};
  for (EFI_STRING_ID Id : Ids) {
    GetStringLine(Platform, Service, "en-US", Id);
  }
  // The first id past the package's strings.
  EFI_STRING_ID Missing = 1;
  for (; Missing < 2000; Missing++) {
    UINTN Size = 0;
    if (Service->GetString(Service, "en-US", Platform->HiiHandle, Missing, NULL, &Size, NULL) != EFI_BUFFER_TOO_SMALL) {
      break;
    }
  }
  GetStringLine(Platform, Service, "en-US", Missing);
  {
    // A buffer too small for the text: the size needed comes back.
    CHAR16 Small[2] = {u'#', u'#'};
    UINTN Size = sizeof(Small);
    EFI_STATUS Status =
        Service->GetString(Service, "en-US", Platform->HiiHandle, kChangesSavedString, Small, &Size, NULL);
    Begin("hii get-small en-US 87 status=");
    Hex(Status);
    Ascii(" size=");
    Decimal(Size);
    Ascii(" buffer=");
    Bytes(Small, sizeof(Small));
    End(Platform);
  }

  SetStringLine(Platform, Service, "en-US", kChangesSavedString, u"Saved.");
  GetStringLine(Platform, Service, "en-US", kChangesSavedString);
  GetStringLine(Platform, Service, "fr-FR", kChangesSavedString);
  SetStringLine(Platform, Service, "EN-us", kChangesSavedString, u"Saved again.");
  GetStringLine(Platform, Service, "en-US", kChangesSavedString);
  SetStringLine(Platform, Service, "en", kChangesSavedString, u"Prefix.");
  SetStringLine(Platform, Service, "de-DE", kChangesSavedString, u"Gespeichert.");
  SetStringLine(Platform, Service, "en-US", 0, u"Id zero.");
  SetStringLine(Platform, Service, "en-US", Missing, u"Past the end.");
  GetStringLine(Platform, Service, "en-US", Missing);
  SetStringLine(Platform, Service, "ja-JP", kChangesSavedString, u"");
  GetStringLine(Platform, Service, "ja-JP", kChangesSavedString);
}

}  // namespace

// ---------------------------------------------------------------- shared pieces
VOID ParityAppend(PARITY_TEXT *T, const CHAR16 *Piece) {
  for (; *Piece != 0 && T->Length + 1 < sizeof(T->Data) / sizeof(CHAR16); Piece++) {
    T->Data[T->Length++] = *Piece;
  }
  T->Data[T->Length] = 0;
}

VOID ParityAppendHex(PARITY_TEXT *T, UINT64 Value, UINTN Digits) { AppendNumber(T, Value, Digits, FALSE); }

VOID ParityHeader(PARITY_TEXT *T, const PARITY_PLATFORM *Platform, UINTN Store) {
  Header(T, Platform, Store, kLowerHeader);
}

VOID ParityRoutingRequest(PARITY_TEXT *T, const PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN HeaderOnly) {
  DriverRequest(T, Platform, Store, HeaderOnly ? kHeaderCase : kBlockCase, FALSE);
}

VOID ParityRoutingConfiguration(PARITY_TEXT *T, const PARITY_PLATFORM *Platform, UINTN Store) {
  ParityHeader(T, Platform, Store);
  ParityAppend(T, u"&OFFSET=");
  ParityAppendHex(T, mParityStores[Store].RouteOffset, 4);
  ParityAppend(T, u"&WIDTH=0001&VALUE=");
  ParityAppendHex(T, mParityStores[Store].RouteValue, 2);
}

const CHAR8 *ParityRoutingCase(BOOLEAN HeaderOnly) { return HeaderOnly ? "header" : "block"; }

VOID ParityExtractLine(const PARITY_PLATFORM *Platform, const CHAR8 *Source, UINTN Store, const CHAR8 *Case,
                       const CHAR16 *Request, EFI_STATUS Status, const CHAR16 *Reached, const CHAR16 *Results) {
  Begin(Source);
  Ascii(" extract ");
  Text(mParityStores[Store].Name);
  Ascii(" ");
  Ascii(Case);
  Ascii(" request=");
  Text(Request);
  Ascii(" status=");
  Hex(Status);
  Progress(Request, Reached);
  Ascii(" results=");
  Text(Results);
  End(Platform);
}

VOID ParityRouteLine(const PARITY_PLATFORM *Platform, const CHAR8 *Source, UINTN Store, const CHAR8 *Case,
                     const CHAR16 *Configuration, EFI_STATUS Status, const CHAR16 *Reached) {
  Begin(Source);
  Ascii(" route ");
  Text(mParityStores[Store].Name);
  Ascii(" ");
  Ascii(Case);
  Ascii(" configuration=");
  Text(Configuration);
  Ascii(" status=");
  Hex(Status);
  Progress(Configuration, Reached);
  End(Platform);
}

VOID RunParityRecord(PARITY_PLATFORM *Platform) {
  Begin("begin");
  End(Platform);
  Begin("driver-path ");
  Bytes(Platform->DriverPath, Platform->DriverPathSize);
  End(Platform);
  Variables(Platform, "before");
  BlockConversions(Platform);
  DriverExtractions(Platform);
  for (UINTN Store = 0; Store < PARITY_STORE_COUNT; Store++) {
    Platform->ExtractThroughRouting(Platform, Store, TRUE);
    Platform->ExtractThroughRouting(Platform, Store, FALSE);
  }
  Variables(Platform, "extracted");
  for (UINTN Store = 0; Store < PARITY_STORE_COUNT; Store++) {
    Platform->RouteThroughRouting(Platform, Store, FALSE);
  }
  Variables(Platform, "routed");
  DriverRoutes(Platform);
  Variables(Platform, "driver-routed");
  HiiStrings(Platform);
  Begin("end");
  End(Platform);
}
