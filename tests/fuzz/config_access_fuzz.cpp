// SPDX-License-Identifier: BSD-2-Clause-Patent
// SecurityExtractConfig and SecurityRouteConfig on a started driver, over
// arbitrary configuration strings and arbitrary stored variables. Strings are
// noise, or a header for one of the seven stores (GUID in either case, NAME
// plain or hex, a wrong or missing NAME, PATH or not) followed by arbitrary
// OFFSET/WIDTH/VALUE parts. The stores' variables are absent or hold 0 bytes
// to well past their declared size, with arbitrary contents and attributes;
// reads and writes of some of them fail, and so does the pool now and then.
// The hardware answers and a HOB list make the platform TXT-capable or not.
//
// After each call: Progress, when set, points into the string, and every
// failure past the null-argument test sets it; the pool holds what it held
// before, except the Results block (freed with the pool); and the variable
// store changed only as the rules allow: extraction writes "Setup" only to
// set byte 702, with its attributes, and creates an absent status store with
// zeros only under the store's own name; routing rewrites the one variable it
// read, at its size and attributes, on success. No variable with
// authentication attributes is ever written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config_strings.h"
#include "config/reset_replacement.h"
#include "config/security_config_access.h"
#include "config/variable_stores.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "include/pi_hob.h"
#include "support/strings.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/driver_globals.h"

namespace {

const size_t kKeyOffsets[] = {377, 702, 703, 2, 3, 8, 10, 11, 13, 14, 15, 17, 18, 80};
// Failures of reads and writes of a variable that exists (EFI_NOT_FOUND would
// claim it does not, which no store answers for an existing variable).
const EFI_STATUS kFailures[] = {EFI_DEVICE_ERROR, EFI_BUFFER_TOO_SMALL, EFI_ACCESS_DENIED, EFI_OUT_OF_RESOURCES,
                                EFI_WRITE_PROTECTED};
const CHAR16 kProgressUntouched[] = u"<untouched>";
const CHAR16 kResultsUntouched[] = u"<untouched>";

std::u16string HexDigits(const UINT8 *Bytes, size_t Count, bool Upper) {
  const char16_t *Digits = Upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  std::u16string Out;
  for (size_t Index = 0; Index < Count; Index++) {
    Out += Digits[Bytes[Index] >> 4];
    Out += Digits[Bytes[Index] & 15];
  }
  return Out;
}

std::u16string HexName(const std::u16string &Name) {
  std::u16string Out;
  for (CHAR16 Character : Name) {
    UINT8 Pair[2] = {static_cast<UINT8>(Character >> 8), static_cast<UINT8>(Character)};
    Out += HexDigits(Pair, 2, false);
  }
  return Out;
}

std::u16string Number(uint64_t Value) {
  std::u16string Out;
  do {
    Out.insert(Out.begin(), u"0123456789abcdef"[Value & 15]);
    Value >>= 4;
  } while (Value != 0);
  return Out;
}

size_t Declared(size_t Store) { return mVariableStores[Store].DeclaredSize; }

// ---------------------------------------------------------------- platform
struct Hardware {
  bool Capable = false;
  std::unique_ptr<UINT64[]> HobList;
};

// CPUID, TPM register and a PHIT-bounded HOB list with the TXT HOB, or not.
void MakeHardware(fuzz::Input &In, host::Platform &P, Hardware &Out) {
  bool Smx = In.Below(3) != 0;
  bool Tpm = In.Below(3) != 0;
  P.Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{0, 0, Smx ? 0x40u : 0u, 0};
  P.Hardware.TpmAccessByte = Tpm ? 0xA1 : 0xFF;
  if (In.Below(3) == 0) {
    return;  // no HOB list
  }
  std::vector<UINT8> Data = In.Bytes(4 + In.Below(5));
  for (UINT8 &Byte : Data) Byte = Byte < 0xA0 ? 1 : Byte;  // mostly the capable answer
  size_t GuidHobSize = (24 + Data.size() + 7) / 8 * 8;
  size_t Words = (56 + GuidHobSize + 8) / 8;
  Out.HobList.reset(new UINT64[Words]());
  UINT8 *Bytes = reinterpret_cast<UINT8 *>(Out.HobList.get());
  EFI_HOB_HANDOFF_INFO_TABLE Handoff{};
  Handoff.Header = EFI_HOB_GENERIC_HEADER{EFI_HOB_TYPE_HANDOFF, 56, 0};
  Handoff.EfiEndOfHobList = reinterpret_cast<uintptr_t>(Bytes + 56 + GuidHobSize);
  std::memcpy(Bytes, &Handoff, sizeof(Handoff));
  EFI_HOB_GUID_TYPE Txt{EFI_HOB_GENERIC_HEADER{EFI_HOB_TYPE_GUID_EXTENSION, static_cast<UINT16>(GuidHobSize), 0},
                        gTxtInfoHobGuid};
  std::memcpy(Bytes + 56, &Txt, sizeof(Txt));
  std::memcpy(Bytes + 56 + 24, Data.data(), Data.size());
  EFI_HOB_GENERIC_HEADER End{EFI_HOB_TYPE_END_OF_HOB_LIST, 8, 0};
  std::memcpy(Bytes + 56 + GuidHobSize, &End, sizeof(End));
  P.SetConfigurationTable(gEfiHobListGuid, Bytes);
  Out.Capable = Smx && Tpm && Data[1] == 1 && Data[3] == 1;
}

// Names whose variable reads (Get) or writes (Set) fail.
struct Failures {
  std::u16string Get, Set;
};

// The stores' variables, some other variables under store GUIDs, failures.
void PutVariables(fuzz::Input &In, host::Platform &P, Failures &Fail) {
  for (size_t Store = 0; Store < VARIABLE_STORE_COUNT; Store++) {
    size_t Size;
    switch (In.Below(6)) {
      case 0:
        continue;  // absent
      case 1: {
        const size_t Edges[] = {0, 1, Declared(Store) - 1, Declared(Store) + 1, 14, 15, 703, 704, 869};
        Size = Edges[In.Below(sizeof(Edges) / sizeof(Edges[0]))];
        break;
      }
      case 2:
        Size = In.Below(2 * Declared(Store) + 24);
        break;
      default:
        Size = Declared(Store);
        break;
    }
    std::vector<UINT8> Data(Size);
    UINT8 Seed = In.Byte();
    for (size_t Index = 0; Index < Size; Index++) Data[Index] = static_cast<UINT8>(Seed + 7 * Index);
    for (size_t Poke = In.Below(6); Poke > 0 && Size > 0; Poke--) {
      size_t Offset = In.Bool() ? kKeyOffsets[In.Below(sizeof(kKeyOffsets) / sizeof(kKeyOffsets[0]))] : In.Below(Size);
      const UINT8 Values[] = {0, 1, 2, 5, 6};
      UINT8 Value = In.Below(4) != 0 ? Values[In.Below(5)] : In.Byte();
      if (Offset < Size) Data[Offset] = Value;
    }
    const UINT32 Attributes[] = {7, 7, 7, 3, 2, 6, 0x27, 0x17};
    P.Variables.Put(mVariableStores[Store].Name, *mVariableStores[Store].Guid, Data,
                    Attributes[In.Below(sizeof(Attributes) / sizeof(Attributes[0]))]);
  }
  // Variables under a store's GUID with another name.
  for (size_t Extra = In.Below(3); Extra > 0; Extra--) {
    size_t Store = In.Below(VARIABLE_STORE_COUNT);
    std::u16string Name = In.Bool() ? std::u16string(mVariableStores[In.Below(VARIABLE_STORE_COUNT)].Name)
                                    : std::u16string(1 + In.Below(3), static_cast<CHAR16>(u'A' + In.Below(26)));
    P.Variables.Put(Name, *mVariableStores[Store].Guid, In.Bytes(In.Below(32)));
  }
  if (In.Below(4) == 0) {
    Fail.Get = mVariableStores[In.Below(VARIABLE_STORE_COUNT)].Name;
    P.Variables.FailGet(Fail.Get, kFailures[In.Below(sizeof(kFailures) / sizeof(kFailures[0]))]);
  }
  if (In.Below(4) == 0) {
    Fail.Set = mVariableStores[In.Below(VARIABLE_STORE_COUNT)].Name;
    P.Variables.FailSet(Fail.Set, kFailures[In.Below(sizeof(kFailures) / sizeof(kFailures[0]))]);
  }
}

// ---------------------------------------------------------------- strings
std::u16string NoiseText(fuzz::Input &In, size_t MaxLength) {
  std::u16string Text;
  for (size_t Length = In.Below(MaxLength); Length > 0; Length--) {
    static const char16_t Alphabet[] = u"GUIDNAMEPATHOFFSETWIDTHVALUE=&0123456789abcdefABCDEF";
    UINT8 Pick = In.Byte();
    Text += Pick < 200 ? Alphabet[Pick % (sizeof(Alphabet) / 2 - 1)] : static_cast<CHAR16>(In.U16());
  }
  return Text;
}

std::u16string HexRun(fuzz::Input &In, size_t Count) {
  std::u16string Run;
  for (; Count > 0; Count--) Run += u"0123456789abcdefABCDEF"[In.Below(22)];
  return Run;
}

std::u16string Element(fuzz::Input &In, size_t Store, bool WithValue) {
  uint64_t Offset, Width;
  switch (In.Below(5)) {
    case 0:
      Offset = kKeyOffsets[In.Below(sizeof(kKeyOffsets) / sizeof(kKeyOffsets[0]))];
      break;
    case 1:
      Offset = In.U64();
      break;
    default:
      Offset = In.Below(Declared(Store) + 8);
      break;
  }
  switch (In.Below(6)) {
    case 0:
      Width = In.U64();
      break;
    case 1:
      Width = In.Below(Declared(Store) + 4);
      break;
    case 2:
      Width = 2;
      break;
    default:
      Width = 1;
      break;
  }
  std::u16string Text = u"&OFFSET=" + Number(Offset) + u"&WIDTH=" + Number(Width);
  if (WithValue) {
    size_t Digits = Width > 40 ? In.Below(84) : In.Below(2 * Width + 3);
    Text += u"&VALUE=" + HexRun(In, Digits);
  }
  if (In.Below(12) == 0) Text += NoiseText(In, 6);
  return Text;
}

std::u16string MakeString(fuzz::Input &In, bool Route) {
  if (In.Below(10) == 0) {
    return NoiseText(In, 120);
  }
  size_t Store = In.Below(VARIABLE_STORE_COUNT);
  std::u16string Field = HexDigits(reinterpret_cast<const UINT8 *>(mVariableStores[Store].Guid), 16, In.Below(4) == 0);
  if (In.Below(12) == 0) Field[In.Below(Field.size())] = static_cast<CHAR16>(In.Byte());
  std::u16string Text = u"GUID=" + Field;
  std::u16string Own = mVariableStores[Store].Name;
  switch (In.Below(9)) {
    case 0:
      Text += u"&NAME=" + Own;
      break;
    case 1: {
      std::u16string Other = mVariableStores[In.Below(VARIABLE_STORE_COUNT)].Name;
      Text += u"&NAME=" + (In.Bool() ? HexName(Other) : Other);
      break;
    }
    case 2:
      Text += u"&NAME=" + std::u16string(In.Below(110), static_cast<CHAR16>(u'A' + In.Below(26)));
      break;
    case 3:
      Text += u"&NAME=" + HexRun(In, 4 * In.Below(5));
      break;
    case 4:
      break;  // no NAME
    default:
      Text += u"&NAME=" + HexName(Own);
      break;
  }
  if (In.Below(10) != 0) {
    Text += u"&PATH=" + (In.Below(4) != 0 ? std::u16string(u"01041c0072c19fefb2a19346b3276d32fc41604200100000000000007fff0400")
                                          : HexRun(In, In.Below(70)));
  }
  for (size_t Count = In.Below(5); Count > 0; Count--) {
    Text += Element(In, Store, Route ? In.Below(8) != 0 : In.Below(8) == 0);
  }
  if (In.Below(16) == 0) Text += NoiseText(In, 10);
  size_t Nul = Text.find(u'\0');
  return Nul == std::u16string::npos ? Text : Text.substr(0, Nul);
}

// ---------------------------------------------------------------- rules
const host::Variable *FindIn(const std::vector<host::Variable> &All, const std::u16string &Name, const EFI_GUID &Guid) {
  for (const host::Variable &Entry : All) {
    if (Entry.Name == Name && host::SameGuid(Entry.Guid, Guid)) return &Entry;
  }
  return nullptr;
}

bool Same(const host::Variable &A, const host::Variable &B) {
  return A.Attributes == B.Attributes && A.Data == B.Data;
}

// TRUE when routing must withdraw this TPM state change request (offset 11 of "System").
bool Withdrawn(UINT8 Request, UINT8 Enabled, UINT8 Activated) {
  switch (Request) {
    case 1:
      return Enabled == 1;
    case 2:
    case 7:
      return Enabled == 0;
    case 3:
      return Activated == 1 || Enabled == 0;
    case 4:
      return Activated == 0 || Enabled == 0;
    case 6:
      return Enabled == 1 && Activated == 1;
    default:
      return false;
  }
}

struct Call {
  bool Route;
  bool ArgumentsValid;  // no null argument, non-empty string
  bool NamesStore;
  bool NameUsable;
  std::u16string Name;
  EFI_GUID Guid;
  EFI_STATUS Status;
};

void CheckExtractRules(const Call &C, const Failures &Fail, const Hardware &H, const std::vector<host::Variable> &Before,
                       const std::vector<host::Variable> &After) {
  for (const host::Variable &Old : Before) CHECK(FindIn(After, Old.Name, Old.Guid) != nullptr);
  const VARIABLE_STORE &Setup = mVariableStores[STORE_SETUP];
  for (const host::Variable &New : After) {
    const host::Variable *Old = FindIn(Before, New.Name, New.Guid);
    if (Old == nullptr) {
      // Only an absent status store named by the request, created with zeros.
      bool Pba = host::SameGuid(New.Guid, *mVariableStores[STORE_PBA_STATUS].Guid);
      bool Hdd = host::SameGuid(New.Guid, *mVariableStores[STORE_HDD_PASSWORD_STATUS].Guid);
      CHECK(C.ArgumentsValid && C.NamesStore && C.NameUsable && (Pba || Hdd));
      CHECK(New.Name == C.Name && host::SameGuid(New.Guid, C.Guid));
      CHECK(New.Name == mVariableStores[Pba ? STORE_PBA_STATUS : STORE_HDD_PASSWORD_STATUS].Name);
      CHECK(New.Attributes == SECURITY_VARIABLE_ATTRIBUTES);
      CHECK(New.Data == std::vector<UINT8>(Pba ? PbaStatusVar::Size : HDD_Password_Status::Size, 0));
      continue;
    }
    if (New.Name != Setup.Name || !host::SameGuid(New.Guid, *Setup.Guid)) {
      CHECK(Same(*Old, New));
      continue;
    }
    // "Setup": every byte as it was, except byte 702 set once the platform is TXT-capable.
    CHECK(Old->Attributes == New.Attributes && Old->Data.size() == New.Data.size());
    for (size_t Index = 0; Index < New.Data.size(); Index++) {
      if (Index != Setup::TxtCapable) CHECK(Old->Data[Index] == New.Data[Index]);
    }
    if (New.Data.size() > Setup::TxtCapable) {
      // Rewritten only at its declared size, without authentication
      // attributes, and when neither its read nor its write fails.
      bool Refreshed = C.ArgumentsValid && C.NamesStore && H.Capable && Old->Data.size() == Setup::Size &&
                       MayWriteBack(Old->Attributes) && Fail.Get != Setup.Name && Fail.Set != Setup.Name;
      CHECK(New.Data[Setup::TxtCapable] == (Refreshed ? 1 : Old->Data[Setup::TxtCapable]));
    }
  }
}

// Every SetVariable of the call, refused ones included: an existing variable
// is written with the attributes it has, never one with authentication
// attributes, and "Setup" by extraction only to set byte 702.
void CheckWrites(const Call &C, const std::vector<host::Variable> &Before,
                 const std::vector<host::VariableStore::Write> &Writes) {
  const VARIABLE_STORE &Setup = mVariableStores[STORE_SETUP];
  for (const auto &Write : Writes) {
    const host::Variable *Old = FindIn(Before, Write.Name, Write.Guid);
    if (Old == nullptr) {
      CHECK(!C.Route && Write.Attributes == SECURITY_VARIABLE_ATTRIBUTES);  // a status store created
      continue;
    }
    CHECK(Write.Attributes == Old->Attributes && MayWriteBack(Old->Attributes));
    CHECK(Write.Data.size() == Old->Data.size());
    if (!C.Route) {
      CHECK(Write.Name == Setup.Name && host::SameGuid(Write.Guid, *Setup.Guid));
      CHECK(Old->Data.size() == Setup::Size);
      CHECK(Old->Data[Setup::TxtCapable] != 1 && Write.Data[Setup::TxtCapable] == 1);
    }
  }
}

// A store served without its variable (absent, or its size query failing)
// is one of the three zero-default stores, named and GUID'd as such.
bool ZeroDefaultStore(const Call &C) {
  for (size_t Store : {STORE_TPM_STATUS, STORE_PBA_STATUS, STORE_HDD_PASSWORD_STATUS}) {
    if (C.Name == mVariableStores[Store].Name && host::SameGuid(C.Guid, *mVariableStores[Store].Guid)) return true;
  }
  return false;
}

void CheckRouteRules(const Call &C, const std::vector<host::Variable> &Before, const std::vector<host::Variable> &After) {
  CHECK(Before.size() == After.size());  // routing neither creates nor deletes
  for (const host::Variable &Old : Before) {
    const host::Variable *New = FindIn(After, Old.Name, Old.Guid);
    CHECK(New != nullptr);
    bool Target = C.Status == EFI_SUCCESS && C.NamesStore && C.NameUsable && Old.Name == C.Name &&
                  host::SameGuid(Old.Guid, C.Guid) && C.Name != mVariableStores[STORE_TPM_STATUS].Name;
    if (!Target) {
      CHECK(Same(Old, *New));
      continue;
    }
    CHECK(Old.Attributes == New->Attributes && Old.Data.size() == New->Data.size());
    const std::vector<UINT8> &Data = New->Data;
    if (Old.Name == mVariableStores[STORE_SETUP].Name && host::SameGuid(Old.Guid, *mVariableStores[STORE_SETUP].Guid) &&
        Data.size() > Setup::TxtEnable && Data[Setup::TxtEnable] == 1) {
      CHECK(Data[Setup::VtEnable] == 1);  // TXT forces VT on
    }
    if (Old.Name == mVariableStores[STORE_SYSTEM].Name && Data.size() > System::TpmActivated) {
      CHECK(!Withdrawn(Data[System::TpmRequest], Data[System::TpmEnabled],
                       Data[System::TpmActivated]));
    }
  }
}

void RunCall(fuzz::Input &In, host::Platform &P, const Hardware &H, const Failures &Fail) {
  Call C{};
  C.Route = In.Bool();
  std::u16string Text = MakeString(In, C.Route);
  std::unique_ptr<CHAR16[]> Exact(new CHAR16[Text.size() + 1]);
  std::memcpy(Exact.get(), Text.c_str(), (Text.size() + 1) * sizeof(CHAR16));
  const CHAR16 *Request = Exact.get();

  EFI_STRING Progress = const_cast<EFI_STRING>(kProgressUntouched);
  EFI_STRING Results = const_cast<EFI_STRING>(kResultsUntouched);
  EFI_STRING *ProgressArgument = &Progress;
  EFI_STRING *ResultsArgument = &Results;
  switch (In.Below(24)) {
    case 0:
      Request = nullptr;
      break;
    case 1:
      ProgressArgument = nullptr;
      break;
    case 2:
      ResultsArgument = nullptr;
      break;
    default:
      break;
  }
  bool NullArgument = Request == nullptr || ProgressArgument == nullptr || (!C.Route && ResultsArgument == nullptr);
  bool Empty = Request != nullptr && Request[0] == 0;
  C.ArgumentsValid = !NullArgument && !(Empty && !C.Route);
  C.NamesStore = C.ArgumentsValid && ConfigHdrNamesStore(Request);
  if (C.NamesStore) {
    CHAR16 Name[CONFIG_NAME_BUFFER_SIZE / sizeof(CHAR16)];
    C.NameUsable = GetVariableFromConfigString(Request, Name, &C.Guid);
    if (C.NameUsable) C.Name = Name;
  }

  std::vector<host::Variable> Before = P.Variables.All();
  size_t WritesBefore = P.Variables.Writes().size();
  size_t LiveBytes = P.Memory.LiveBytes();
  size_t LiveBlocks = P.Memory.LiveBlocks();
  EFI_RESET_SYSTEM ResetBefore = gRT->ResetSystem;

  // Sometimes the pool runs out at one of the call's first allocations.
  P.Memory.FailNthAllocation(In.Below(6) == 0 ? 1 + In.Below(3) : 0);
  C.Status = C.Route ? SecurityRouteConfig(nullptr, Request, ProgressArgument)
                     : SecurityExtractConfig(nullptr, Request, ProgressArgument, ResultsArgument);
  P.Memory.FailNthAllocation(0);

  // Progress: untouched, or inside the string (its terminating NUL included).
  if (Progress != kProgressUntouched) {
    CHECK(Request != nullptr && Progress >= Request && Progress <= Request + Text.size());
  }
  if (NullArgument) {
    CHECK(C.Status == EFI_INVALID_PARAMETER && Progress == kProgressUntouched);
  } else if (!C.ArgumentsValid) {
    CHECK(C.Status == EFI_INVALID_PARAMETER && Progress == Request);  // an empty request
  } else if (!C.NamesStore) {
    CHECK(C.Status == EFI_NOT_FOUND && Progress == Request);
  } else if (!C.NameUsable) {
    CHECK(C.Status == EFI_INVALID_PARAMETER && Progress == Request);
  }
  // A failure never leaves Progress unset (the firmware's routing reads it).
  if (!NullArgument && EFI_ERROR(C.Status)) {
    CHECK(Progress != kProgressUntouched);
  }
  if (!C.Route && C.Status == EFI_SUCCESS &&
      (FindIn(Before, C.Name, C.Guid) == nullptr || Fail.Get == C.Name)) {
    CHECK(ZeroDefaultStore(C));
  }
  if (Results != kResultsUntouched && Results != nullptr) {
    CHECK(!C.Route && C.Status == EFI_SUCCESS && P.Memory.Owns(Results));
    CHECK(P.Memory.Free(Results) == EFI_SUCCESS);
  }
  CHECK(P.Memory.LiveBytes() == LiveBytes && P.Memory.LiveBlocks() == LiveBlocks);
  CHECK(P.Memory.BadFrees() == 0);

  const std::vector<host::Variable> &After = P.Variables.All();
  CheckWrites(C, Before, std::vector<host::VariableStore::Write>(P.Variables.Writes().begin() + WritesBefore,
                                                                 P.Variables.Writes().end()));
  if (C.Route) {
    CheckRouteRules(C, Before, After);
  } else {
    CheckExtractRules(C, Fail, H, Before, After);
  }
  // Only a routed "Setup" may replace the reset service, and only the firmware's own.
  if (gRT->ResetSystem != ResetBefore) {
    CHECK(C.Route && C.NamesStore && C.Name == mVariableStores[STORE_SETUP].Name &&
          host::SameGuid(C.Guid, *mVariableStores[STORE_SETUP].Guid));
    CHECK(ResetBefore == P.FirmwareResetSystem && gRT->ResetSystem == SecurityResetSystem);
  }
  CHECK(mSavedResetSystem == nullptr || mSavedResetSystem == P.FirmwareResetSystem);
  CHECK(P.TableCrcValid(gRT->Hdr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Input In(Data, Size);
  ResetDriverGlobals();
  std::unique_ptr<host::Platform> P(new host::Platform());
  P->InstallServices();
  P->AddStandardAccounts();
  if (P->StartDriver().Exited) {
    __builtin_trap();  // the full platform always starts the driver
  }
  Hardware H;
  MakeHardware(In, *P, H);
  Failures Fail;
  PutVariables(In, *P, Fail);
  for (size_t Calls = 1 + In.Below(4); Calls > 0; Calls--) {
    RunCall(In, *P, H, Fail);
  }
  return 0;
}
