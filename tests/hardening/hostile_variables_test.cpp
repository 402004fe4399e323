// SPDX-License-Identifier: BSD-2-Clause-Patent
// The stores and "PlatformLang" at hostile sizes (0, 1, declared - 1,
// declared, declared + 1 and 64 KiB) with random contents, through every
// entry point that reads them. Each answer is a defined status; buffers are
// never overrun (the host tests run under AddressSanitizer); nothing is
// written that was not read: an error changes no variable, a success changes
// only the bytes the request names (and those the page's storage rules
// derive from them), and every write keeps the stored size and attributes.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "callback/security_callback.h"
#include "config/reset_replacement.h"
#include "config/security_config_access.h"
#include "entry/unlock_form_text.h"
#include "forms/security_page_ids.h"
#include "tests/config/config_test_support.h"
#include "tests/hardening/driver_session.h"

namespace {

using namespace SecurityQuestion;

using hardening::Session;

enum SizeClass { kEmpty, kOneByte, kDeclaredLess1, kDeclared, kDeclaredPlus1, k64KiB, kSizeClasses };
const char *const kSizeClassNames[kSizeClasses] = {"0", "1", "declared-1", "declared", "declared+1", "64KiB"};

struct HostileVariable {
  const char16_t *Name;
  const EFI_GUID *Guid;
  size_t Declared;  // for "PlatformLang": the tag buffer of 43 bytes
  bool TextOnly;    // contents without NUL bytes, so a tag is as long as the variable
};

const HostileVariable kSetup{u"Setup", &gSetupVariableGuid, 868, false};
const HostileVariable kTpmStatus{u"TpmStatusVar", &gTpmStatusVarGuid, 82, false};
const HostileVariable kPbaStatus{u"PbaStatusVar", &gPbaStatusVarGuid, 12, false};
const HostileVariable kStatusSetup{u"StatusSetupVar", &gStatusSetupVarGuid, 99, false};
const HostileVariable kHddStatus{u"HDD_Password_Status", &gHddPasswordStatusVarGuid, 9, false};
const HostileVariable kSystem{u"System", &gSystemConfigurationGuid, 21, false};
const HostileVariable kUserManager{u"UserManagerVar", &gUserManagerVarGuid, 5, false};
const HostileVariable kPlatformLang{u"PlatformLang", &gEfiGlobalVariableGuid, 43, true};

size_t SizeOf(const HostileVariable &Variable, SizeClass Class) {
  switch (Class) {
    case kEmpty: return 0;
    case kOneByte: return 1;
    case kDeclaredLess1: return Variable.Declared - 1;
    case kDeclared: return Variable.Declared;
    case kDeclaredPlus1: return Variable.Declared + 1;
    default: return 64 * 1024;
  }
}

// Repeatable contents: the seed depends only on the variable and the size class.
std::vector<UINT8> RandomContents(const HostileVariable &Variable, SizeClass Class) {
  std::seed_seq Seed{static_cast<int>(Variable.Name[0]), static_cast<int>(Variable.Declared), static_cast<int>(Class)};
  std::mt19937 Generator(Seed);
  std::uniform_int_distribution<int> Byte(Variable.TextOnly ? 1 : 0, 255);
  std::vector<UINT8> Data(SizeOf(Variable, Class));
  for (UINT8 &Value : Data) Value = static_cast<UINT8>(Byte(Generator));
  return Data;
}

// ---------------------------------------------------------------- the variable store

struct Stored {
  UINT32 Attributes;
  std::vector<UINT8> Data;
};
struct Snapshot {
  std::map<std::u16string, Stored> Variables;
  size_t Count;
  bool ResetReplaced;
};

const HostileVariable *const kAllVariables[] = {&kSetup,  &kTpmStatus,   &kPbaStatus,  &kStatusSetup,
                                                &kHddStatus, &kSystem, &kUserManager, &kPlatformLang};

Snapshot Take(host::Platform &P) {
  Snapshot Shot{{}, P.Variables.Count(), P.RuntimeServices.ResetSystem == SecurityResetSystem};
  for (const HostileVariable *Variable : kAllVariables) {
    if (const host::Variable *Found = P.Variables.Find(Variable->Name, *Variable->Guid)) {
      Shot.Variables[Variable->Name] = Stored{Found->Attributes, Found->Data};
    }
  }
  return Shot;
}

// Empty when equal, else the first difference in words.
std::string Difference(const Snapshot &Expected, const Snapshot &Actual) {
  if (Expected.Count != Actual.Count) {
    return "variable count " + std::to_string(Expected.Count) + " expected, " + std::to_string(Actual.Count);
  }
  if (Expected.ResetReplaced != Actual.ResetReplaced) {
    return Expected.ResetReplaced ? "reset service not replaced" : "reset service replaced";
  }
  for (const HostileVariable *Variable : kAllVariables) {
    auto Want = Expected.Variables.find(Variable->Name);
    auto Have = Actual.Variables.find(Variable->Name);
    std::string Name = host::Narrow(Variable->Name);
    if ((Want == Expected.Variables.end()) != (Have == Actual.Variables.end())) {
      return Name + (Have == Actual.Variables.end() ? " deleted" : " created");
    }
    if (Want == Expected.Variables.end()) continue;
    if (Want->second.Attributes != Have->second.Attributes) return Name + ": attributes changed";
    if (Want->second.Data.size() != Have->second.Data.size()) {
      return Name + ": size " + std::to_string(Want->second.Data.size()) + " expected, " +
             std::to_string(Have->second.Data.size());
    }
    for (size_t Offset = 0; Offset < Want->second.Data.size(); Offset++) {
      if (Want->second.Data[Offset] != Have->second.Data[Offset]) {
        return Name + ": byte " + std::to_string(Offset) + " is " + std::to_string(Have->second.Data[Offset]) +
               ", expected " + std::to_string(Want->second.Data[Offset]);
      }
    }
  }
  return "";
}

// ---------------------------------------------------------------- entry points

struct Case {
  SizeClass Class;
  std::vector<UINT8> Data;  // as stored before the call
};

struct Answer {
  EFI_STATUS Status;
  std::string Returned;  // response VALUE digits, question value, texts shown
};

std::string ValueOf(const std::u16string &Results) {
  size_t At = Results.rfind(u"&VALUE=");
  return At == std::u16string::npos ? "<no value>" : host::Narrow(Results.substr(At + 7));
}

Answer Extract(Session &S, const std::u16string &Name) {
  const cfgtest::StoreInfo &Store = cfgtest::Store(Name);
  std::u16string Request = cfgtest::Header(*Store.Guid, Name) + cfgtest::RequestElement(0, Store.Size);
  EFI_STRING Progress = nullptr;
  EFI_STRING Results = nullptr;
  Answer Out{SecurityExtractConfig(nullptr, Request.c_str(), &Progress, &Results), "<none>"};
  if (Results != nullptr) {
    Out.Returned = ValueOf(Results);
    S.Platform().Memory.Free(Results);
  }
  return Out;
}

Answer Route(const std::u16string &Name, const std::u16string &Elements) {
  std::u16string Configuration = cfgtest::Header(*cfgtest::Store(Name).Guid, Name) + Elements;
  EFI_STRING Progress = nullptr;
  return Answer{SecurityRouteConfig(nullptr, Configuration.c_str(), &Progress), ""};
}

Answer Callback(EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT16 Value) {
  EFI_IFR_TYPE_VALUE Ifr{};
  Ifr.u16 = Value;
  EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  EFI_STATUS Status = SecurityCallback(nullptr, Action, Question, EFI_IFR_TYPE_NUM_SIZE_8, &Ifr, &Request);
  return Answer{Status, std::to_string(Ifr.u8)};
}

const char *const kPackageLanguages[] = {"en-US", "fr-FR", "ja-JP", "ko-KR"};

// The tag the driver must take from "PlatformLang": "en-US" when the value
// cannot be a tag of at most 42 characters, else the bytes up to the NUL.
std::string ExpectedTag(const std::vector<UINT8> &Data) {
  if (Data.size() > 43) return "en-US";
  std::string Tag;
  for (UINT8 Byte : Data) {
    if (Byte == 0) return Tag;
    Tag += static_cast<char>(Byte);
  }
  return Tag.size() == 43 ? "en-US" : Tag;
}
bool InPackage(const std::string &Tag) {
  for (const char *Language : kPackageLanguages) {
    if (Tag == Language) return true;
  }
  return false;
}
std::u16string SavedText(const std::string &Language) {
  if (Language == "fr-FR") return u"Les modifications ont été enregistrées.";
  if (Language == "ja-JP") return u"変更が保存されました。";
  if (Language == "ko-KR") return u"변경 내용이 저장되었습니다.";
  return u"Changes have been saved.";
}

std::string LockOutTexts(host::Platform &P) {
  std::string Text;
  for (const char *Language : kPackageLanguages) {
    auto Found = P.HiiString.Text(mHiiHandle, Language, 117);
    Text += std::string(Language) + "=" + (Found ? host::Narrow(*Found) : "<none>") + ";";
  }
  return Text;
}

// The TPM state change request withdrawn when it cannot change anything.
bool Withdrawn(UINT8 Request, UINT8 Enabled, UINT8 Activated) {
  switch (Request) {
    case 1: return Enabled == 1;
    case 2: return Enabled == 0;
    case 3: return Activated == 1 || Enabled == 0;
    case 4: return Activated == 0 || Enabled == 0;
    case 6: return Enabled == 1 && Activated == 1;
    case 7: return Enabled == 0;
    default: return false;
  }
}

// ---------------------------------------------------------------- the table

constexpr EFI_STATUS OK = EFI_SUCCESS;
constexpr EFI_STATUS DEV = EFI_DEVICE_ERROR;  // BlockToConfig: an element reaches outside the block
constexpr EFI_STATUS BAD = EFI_BAD_BUFFER_SIZE;
constexpr EFI_STATUS SMALL = EFI_BUFFER_TOO_SMALL;

struct Reader {
  const char *Name;
  const HostileVariable *Variable;
  bool StartFirst;                                         // false: the call is start-up itself
  std::function<void(std::vector<UINT8> &)> Tweak;         // adjusts the random contents; may be empty
  std::function<Answer(Session &)> Call;
  EFI_STATUS Expected[kSizeClasses];
  std::function<void(Snapshot &, const Case &)> OnSuccess;  // the changes a success makes; may be empty
  std::function<std::string(const Case &)> Returned;        // the expected answer; may be empty
};

// Byte 702 of "Setup" is set on every extraction of a TXT-capable platform,
// but only in a "Setup" of its declared size: no other is rewritten.
void TxtCapableRefresh(Snapshot &Expected) {
  Stored &Setup = Expected.Variables[u"Setup"];
  if (Setup.Data.size() == 868) Setup.Data[702] = 1;
}

std::string FirstBytesValue(const std::vector<UINT8> &Data, size_t Count) {
  return host::Narrow(cfgtest::ValueDigits(std::vector<UINT8>(Data.begin(), Data.begin() + Count)));
}

Reader ExtractReader(const HostileVariable &Variable) {
  return Reader{"Extract", &Variable, true, nullptr,
                [&Variable](Session &S) { return Extract(S, Variable.Name); },
                {DEV, DEV, DEV, OK, OK, OK},
                [](Snapshot &Expected, const Case &) { TxtCapableRefresh(Expected); },
                [&Variable](const Case &C) {
                  std::vector<UINT8> Data = C.Data;
                  if (Variable.Name == kSetup.Name && Data.size() == 868) Data[702] = 1;
                  return FirstBytesValue(Data, Variable.Declared);
                }};
}

// Routes the field the form stores (Field) and the last declared byte.
Reader RouteReader(const HostileVariable &Variable, UINTN Field, UINT8 Value,
                   std::function<void(std::vector<UINT8> &)> Tweak = nullptr,
                   std::function<void(std::vector<UINT8> &, const std::vector<UINT8> &)> Rules = nullptr) {
  const UINTN Last = Variable.Declared - 1;
  return Reader{"Route", &Variable, true, Tweak,
                [&Variable, Field, Value, Last](Session &) {
                  return Route(Variable.Name,
                               cfgtest::ResponseElement(Field, {Value}) + cfgtest::ResponseElement(Last, {0xC3}));
                },
                // ConfigToBlock skips elements outside the block and says so.
                {SMALL, SMALL, SMALL, OK, OK, OK},
                [&Variable, Field, Value, Last, Rules](Snapshot &Expected, const Case &C) {
                  std::vector<UINT8> &Data = Expected.Variables[Variable.Name].Data;
                  Data[Field] = Value;
                  Data[Last] = 0xC3;
                  if (Rules) Rules(Data, C.Data);
                  if (Variable.Name == kSetup.Name) Expected.ResetReplaced = C.Data[703] != Value;
                },
                nullptr};
}

Reader StartReader(const HostileVariable &Variable) {
  return Reader{"Start", &Variable, false, nullptr,
                [](Session &S) {
                  auto R = S.Platform().StartDriver();
                  return Answer{R.Exited ? (R.ExitStatus | EFI_MAX_BIT) : R.Returned, ""};
                },
                {OK, OK, OK, OK, OK, OK}, nullptr, nullptr};
}

Reader SystemByteReader(EFI_QUESTION_ID Question, UINTN Offset, UINT8 Value) {
  return Reader{Question == MaxPasswordLength ? "ChangedMaxPasswordLength" : "ChangedMinPasswordLength",
                &kSystem, true, nullptr,
                [Question, Value](Session &) { return Callback(EFI_BROWSER_ACTION_CHANGED, Question, Value); },
                // The callback reads "System" into a buffer of its declared size.
                {BAD, BAD, OK, OK, SMALL, SMALL},
                [Offset, Value](Snapshot &Expected, const Case &) {
                  Expected.Variables[u"System"].Data[Offset] = Value;
                },
                nullptr};
}

// Expected statuses by size class:            0     1     D-1   D     D+1   64 KiB
//   extraction of the store, full width        DEV   DEV   DEV   OK    OK    OK
//   routing the form's byte and the last one   SMALL SMALL SMALL OK    OK    OK   ("TpmStatusVar": OK, discarded)
//   the length limits ("System" in 21 bytes)   BAD   BAD   OK    OK    SMALL SMALL
//   every other reader, and start-up           OK    OK    OK    OK    OK    OK
// D is the declared size; for "PlatformLang" the 43-byte tag buffer.
const Reader kReaders[] = {
    // "Setup": its own extraction and routing, the refresh that every
    // extraction makes, the stored copy that every routing reads, and the
    // one-shot retrieval of the TXT-capable question.
    ExtractReader(kSetup),
    RouteReader(kSetup, 703, 1, nullptr,
                [](std::vector<UINT8> &Data, const std::vector<UINT8> &) { Data[377] = 1; }),  // TXT needs VT
    {"Extract_PbaStatusVar", &kSetup, true, nullptr, [](Session &S) { return Extract(S, u"PbaStatusVar"); },
     {OK, OK, OK, OK, OK, OK}, [](Snapshot &Expected, const Case &) { TxtCapableRefresh(Expected); }, nullptr},
    {"Route_System", &kSetup, true, nullptr,
     [](Session &) { return Route(u"System", cfgtest::ResponseElement(17, {12})); }, {OK, OK, OK, OK, OK, OK},
     [](Snapshot &Expected, const Case &) { Expected.Variables[u"System"].Data[17] = 12; }, nullptr},
    {"RetrieveTxtCapable", &kSetup, true,
     [](std::vector<UINT8> &Data) {
       if (Data.size() > 702) Data[702] = 1;
     },
     [](Session &) { return Callback(EFI_BROWSER_ACTION_RETRIEVE, TxtCapable, 0xEE); }, {OK, OK, OK, OK, OK, OK},
     nullptr,
     // Read into a buffer of the declared size: only a "Setup" that fits and holds byte 702 answers.
     [](const Case &C) { return std::string(C.Data.size() > 702 && C.Data.size() <= 868 ? "1" : "238"); }},
    StartReader(kSetup),

    // "TpmStatusVar": served as stored, never routed.
    ExtractReader(kTpmStatus),
    {"Route", &kTpmStatus, true, nullptr,
     [](Session &) { return Route(u"TpmStatusVar", cfgtest::ResponseElement(80, {1})); }, {OK, OK, OK, OK, OK, OK},
     nullptr, nullptr},
    StartReader(kTpmStatus),

    ExtractReader(kPbaStatus),
    RouteReader(kPbaStatus, 11, 1),
    StartReader(kPbaStatus),

    ExtractReader(kStatusSetup),
    RouteReader(kStatusSetup, 0, 0x33),
    StartReader(kStatusSetup),

    ExtractReader(kHddStatus),
    RouteReader(kHddStatus, 2, 1),
    StartReader(kHddStatus),

    // "System": extraction, routing with the TPM request rule, and the two
    // password-length questions that store a byte at once.
    ExtractReader(kSystem),
    RouteReader(kSystem, 11, 6,
                [](std::vector<UINT8> &Data) {
                  // An enabled and activated TPM: "Enable and Activate" has nothing to do.
                  if (Data.size() > 14) Data[13] = Data[14] = 1;
                },
                [](std::vector<UINT8> &Data, const std::vector<UINT8> &) {
                  if (Withdrawn(Data[11], Data[13], Data[14])) Data[11] = 0;
                }),
    SystemByteReader(MaxPasswordLength, 17, 12),
    SystemByteReader(MinPasswordLength, 18, 3),
    StartReader(kSystem),

    // "UserManagerVar": its questions are answered from memory, not from the variable.
    ExtractReader(kUserManager),
    RouteReader(kUserManager, 1, 1),
    {"RetrieveCurrentUserIsSupervisor", &kUserManager, true, nullptr,
     [](Session &) { return Callback(EFI_BROWSER_ACTION_RETRIEVE, CurrentUserIsSupervisor, 0xEE); },
     {OK, OK, OK, OK, OK, OK}, nullptr,
     [](const Case &) { return std::string("1"); }},
    StartReader(kUserManager),

    // "PlatformLang": read, never written, by the texts the driver shows.
    {"LockOut", &kPlatformLang, true, nullptr,
     [](Session &S) {
       EFI_STATUS Status = UnlockFormCallback(const_cast<CHAR16 *>(u"locked"));
       return Answer{Status, LockOutTexts(S.Platform())};
     },
     {OK, OK, OK, OK, OK, OK}, nullptr,
     [](const Case &C) {
       std::string Tag = ExpectedTag(C.Data);
       std::string Text;
       for (const char *Language : kPackageLanguages) {
         Text += std::string(Language) + "=" + (InPackage(Tag) && Tag == Language ? "locked" : "") + ";";
       }
       return Text;
     }},
    {"ChangedSetSupervisorPassword", &kPlatformLang, true, nullptr,
     [](Session &S) {
       Answer Out = Callback(EFI_BROWSER_ACTION_CHANGED, SetSupervisorPassword, 0);
       const auto &PopUps = S.Platform().TextSetupBrowser.PopUps;
       Out.Returned = PopUps.size() == 1 && PopUps[0].Lines.size() == 1 ? host::Narrow(PopUps[0].Lines[0]) : "?";
       return Out;
     },
     {OK, OK, OK, OK, OK, OK}, nullptr,
     // A tag the list does not hold falls back to the list's first language.
     [](const Case &C) {
       std::string Tag = ExpectedTag(C.Data);
       return host::Narrow(SavedText(InPackage(Tag) ? Tag : "en-US"));
     }},
    {"ChangedSupervisorHint", &kPlatformLang, true, nullptr,
     [](Session &S) {
       Answer Out = Callback(EFI_BROWSER_ACTION_CHANGED, SupervisorHint, testing_strings::kHintString);
       host::AccountProfile *Supervisor = S.Platform().Users.Find(u"Supervisor");
       Out.Returned = Supervisor->HasHint ? host::Narrow(Supervisor->Hint) : "<no hint>";
       return Out;
     },
     {OK, OK, OK, OK, OK, OK}, nullptr, [](const Case &) { return std::string("blue sky"); }},
    StartReader(kPlatformLang),
};

// ---------------------------------------------------------------- the test

void PrintTo(const Reader &Entry, std::ostream *Out) {
  *Out << Entry.Name << " of " << host::Narrow(Entry.Variable->Name);
}

class HostileVariables : public ::testing::TestWithParam<Reader> {};

TEST_P(HostileVariables, DefinedStatusAndNothingWrittenThatWasNotRead) {
  const Reader &Entry = GetParam();
  const HostileVariable &Variable = *Entry.Variable;
  for (int Class = 0; Class < kSizeClasses; Class++) {
    Case C{static_cast<SizeClass>(Class), RandomContents(Variable, static_cast<SizeClass>(Class))};
    if (Entry.Tweak) Entry.Tweak(C.Data);
    SCOPED_TRACE(host::Narrow(Variable.Name) + " of " + std::to_string(C.Data.size()) + " bytes (" +
                 kSizeClassNames[Class] + ")");

    Session S;
    host::Platform &P = S.Platform();
    cfgtest::TxtPlatform Txt;
    Txt.MakeCapable(P);
    // The platform's own "Setup" already carries the TXT-capable byte, so its
    // refresh changes nothing unless "Setup" is the hostile variable.
    std::vector<UINT8> Setup(868, 0);
    Setup[702] = 1;
    P.Variables.Put(u"Setup", gSetupVariableGuid, Setup);
    if (Entry.StartFirst) {
      S.Start();
    }
    P.Variables.Put(Variable.Name, *Variable.Guid, C.Data, 7);

    Snapshot Before = Take(P);
    size_t WritesBefore = P.Variables.Writes().size();
    Answer Got = Entry.Call(S);

    EXPECT_EQ(Got.Status, Entry.Expected[Class]);
    Snapshot Expected = Before;
    if (!EFI_ERROR(Got.Status) && Entry.OnSuccess) {
      Entry.OnSuccess(Expected, C);
    }
    EXPECT_EQ(Difference(Expected, Take(P)), "");
    if (!EFI_ERROR(Got.Status) && Entry.Returned) {
      EXPECT_EQ(Got.Returned, Entry.Returned(C));
    }
    // Every write, also a refused one, kept the stored size and attributes.
    const auto &Writes = P.Variables.Writes();
    for (size_t Index = WritesBefore; Index < Writes.size(); Index++) {
      auto Old = Before.Variables.find(Writes[Index].Name);
      ASSERT_NE(Old, Before.Variables.end()) << "a variable created: " << host::Narrow(Writes[Index].Name);
      EXPECT_EQ(Writes[Index].Data.size(), Old->second.Data.size()) << host::Narrow(Writes[Index].Name);
      EXPECT_EQ(Writes[Index].Attributes, Old->second.Attributes) << host::Narrow(Writes[Index].Name);
    }
    EXPECT_EQ(P.Memory.BadFrees(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, HostileVariables, ::testing::ValuesIn(kReaders),
                         [](const ::testing::TestParamInfo<Reader> &Info) {
                           std::string Name = host::Narrow(Info.param.Variable->Name) + "_" + Info.param.Name;
                           for (char &Character : Name) {
                             if (!std::isalnum(static_cast<unsigned char>(Character))) Character = '_';
                           }
                           return Name;
                         });

}  // namespace
