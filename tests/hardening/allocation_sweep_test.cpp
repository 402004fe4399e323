// SPDX-License-Identifier: BSD-2-Clause-Patent
// Every entry point of the driver under pool exhaustion: each is run once to
// count its allocation attempts, then once per attempt with that attempt
// failing, on a fresh platform and a fresh driver each time. A run must not
// crash, leak, free what it does not own, or report an outcome it did not
// reach; a later call without the failure must answer as a clean one does.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "callback/security_callback.h"
#include "config/reset_replacement.h"
#include "config/security_config_access.h"
#include "entry/unlock_form_text.h"
#include "forms/security_page_ids.h"
#include "hdd/hdd_password_dialog.h"
#include "tests/config/config_test_support.h"
#include "tests/hardening/driver_session.h"

namespace {

using namespace SecurityQuestion;

using hardening::Session;

struct Outcome {
  EFI_STATUS Status;
  std::string Returned;  // what the call handed back: response text, question value, action request
};

// What a run whose k-th allocation failed may report.
enum class OnFailure {
  // The allocation was needed: EFI_OUT_OF_RESOURCES; or it was one the driver
  // documents as optional, and then the full clean outcome.
  ReportsOutOfResources,
  // The entry point documents success whatever fails: the clean status, and
  // the observed effect either complete or absent, never half done (or the
  // documented effect of an unreadable text, where the entry names one).
  SucceedsAllOrNothing,
  // Documented success with a possibly reduced answer (the disk refresh
  // reports no disk, or places a disk at its channel number, when pool runs out).
  Succeeds,
};

struct EntryPoint {
  const char *Name;
  bool StartFirst;                                // false: the measured call is start-up itself
  std::function<void(Session &)> Arrange;         // after start-up, before the measured call; may be empty
  std::function<Outcome(Session &)> Call;         // the measured call
  std::function<std::string(Session &)> Observe;  // the effect the call has on the platform
  EFI_STATUS Clean;                               // status of the run without a failure
  OnFailure Policy;
  bool UnchangedOnError;  // an error status leaves the observed effect as it was before the call
  // SucceedsAllOrNothing: a third effect the driver documents, reached when a
  // text it shows or stores cannot be read (it is then the empty text).
  const char *Unreadable = nullptr;
};

// ---------------------------------------------------------------- calls

std::string Narrow(const std::u16string &Text) { return host::Narrow(Text); }

std::u16string Hex2(UINTN Value) {
  char Text[17];
  std::snprintf(Text, sizeof(Text), "%llx", static_cast<unsigned long long>(Value));
  return cfgtest::Widen(Text);
}

Outcome StartDriver(Session &S) {
  auto R = S.Platform().StartDriver();
  // Exit carries the low half of the status: put the error bit back for comparison.
  return Outcome{R.Exited ? (R.ExitStatus | EFI_MAX_BIT) : R.Returned, ""};
}

Outcome Extract(Session &S, const std::u16string &Name, UINTN Width) {
  const cfgtest::StoreInfo &Store = cfgtest::Store(Name);
  std::u16string Request = cfgtest::Header(*Store.Guid, Name) + u"&OFFSET=0&WIDTH=" + Hex2(Width);
  EFI_STRING Progress = nullptr;
  EFI_STRING Results = nullptr;
  EFI_STATUS Status = SecurityExtractConfig(nullptr, Request.c_str(), &Progress, &Results);
  std::string Returned = "<none>";
  if (Results != nullptr) {
    // The caller owns the response and frees it.
    EXPECT_TRUE(S.Platform().Memory.Owns(Results));
    Returned = Narrow(Results);
    S.Platform().Memory.Free(Results);
  }
  return Outcome{Status, Returned};
}

Outcome Route(const std::u16string &Name, UINTN Offset, UINT8 Value) {
  const cfgtest::StoreInfo &Store = cfgtest::Store(Name);
  std::u16string Configuration = cfgtest::Header(*Store.Guid, Name) + cfgtest::ResponseElement(Offset, {Value});
  EFI_STRING Progress = nullptr;
  return Outcome{SecurityRouteConfig(nullptr, Configuration.c_str(), &Progress), ""};
}

Outcome Callback(EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT16 Value = 0) {
  EFI_IFR_TYPE_VALUE Ifr{};
  Ifr.u16 = Value;  // u8 and string share its first bytes
  EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  EFI_STATUS Status = SecurityCallback(nullptr, Action, Question, EFI_IFR_TYPE_NUM_SIZE_8, &Ifr, &Request);
  return Outcome{Status, "value " + std::to_string(Ifr.u8) + ", request " + std::to_string(Request)};
}

Outcome Changed(EFI_QUESTION_ID Question, UINT16 Value = 0) {
  return Callback(EFI_BROWSER_ACTION_CHANGED, Question, Value);
}
Outcome Retrieve(EFI_QUESTION_ID Question) { return Callback(EFI_BROWSER_ACTION_RETRIEVE, Question, 0xEE); }

// ---------------------------------------------------------------- observations

const std::u16string kKnownVariables[] = {u"Setup",          u"TpmStatusVar",        u"PbaStatusVar",
                                          u"StatusSetupVar", u"HDD_Password_Status", u"System",
                                          u"UserManagerVar"};

std::string ObserveVariables(Session &S) {
  host::Platform &P = S.Platform();
  std::string Text = "count " + std::to_string(P.Variables.Count());
  for (const auto &Name : kKnownVariables) {
    const host::Variable *Found = P.Variables.Find(Name, *cfgtest::Store(Name).Guid);
    Text += "; " + Narrow(Name) + "=";
    Text += Found == nullptr ? "absent" : std::to_string(Found->Attributes) + ":" + cfgtest::Hex(Found->Data);
  }
  Text += P.RuntimeServices.ResetSystem == SecurityResetSystem ? "; reset replaced" : "; reset firmware's";
  return Text;
}

std::string ObserveRegistration(Session &S) {
  host::Platform &P = S.Platform();
  return "lists " + std::to_string(P.HiiDatabase.Lists.size()) + ", access " +
         std::to_string(P.Handles.HandlesWith(gEfiHiiConfigAccessProtocolGuid).size()) + ", form set " +
         std::to_string(P.Handles.HandlesWith(gQelFormSetProtocolGuid).size()) + ", unlock " +
         std::to_string(P.QelUserManager.Unlock.Registered);
}

std::string ObservePopUps(Session &S) {
  std::string Text;
  for (const auto &PopUp : S.Platform().TextSetupBrowser.PopUps) {
    Text += "[";
    for (const auto &Line : PopUp.Lines) Text += Narrow(Line) + "|";
    Text += "]";
  }
  return Text;
}

std::function<std::string(Session &)> ObserveHint(const std::u16string &Account) {
  return [Account](Session &S) {
    host::AccountProfile *Profile = S.Platform().Users.Find(Account);
    return Profile == nullptr ? std::string("no profile")
                              : (Profile->HasHint ? "hint " + Narrow(Profile->Hint) : std::string("no hint"));
  };
}

std::string Optional(const std::optional<std::u16string> &Text) { return Text ? "'" + Narrow(*Text) + "'" : "none"; }

std::string ObserveLockOutText(Session &S) {
  host::Platform &P = S.Platform();
  std::string Text;
  for (const char *Language : {"en-US", "fr-FR", "ja-JP", "ko-KR"}) {
    Text += std::string(Language) + " " + Optional(P.HiiString.Text(mHiiHandle, Language, 117)) + "; ";
  }
  return Text;
}

std::string ObserveDialogName(Session &S) {
  host::Platform &P = S.Platform();
  EFI_HII_HANDLE Ui = P.HddPasswordUi.Protocol.UiHiiHandle;
  return "en-US " + Optional(P.HiiString.Text(Ui, "en-US", host::HddPasswordUiFake::NameStringId)) + ", fr-FR " +
         Optional(P.HiiString.Text(Ui, "fr-FR", host::HddPasswordUiFake::NameStringId));
}

std::string ObserveDisks(Session &) {
  std::string Text = "count " + std::to_string(mHddDeviceCount) + ", ports";
  for (UINTN Index = 0; mHddPortOfDevice != nullptr && Index < mHddDeviceCount; Index++) {
    Text += " " + std::to_string(mHddPortOfDevice[Index]);
  }
  Text += ", states";
  for (UINT8 State : mHddPortState) Text += " " + std::to_string(State);
  return Text;
}

std::string ObserveNothing(Session &) { return ""; }

// ---------------------------------------------------------------- the table

void RefreshDisks(Session &) { RefreshHddSecurityStatus(); }

// The driver's list with a "Changes have been saved." of 300 characters.
void UseLongMessage(Session &S) {
  mHiiHandle = S.Platform().HiiDatabase.Register(
      host::PackageList(gSecurityPackageListGuid, {host::StringPackage("en-US", testing_strings::kStringCount,
                                                                       {{87, std::u16string(300, u'M')}, {117, u""}})}),
      nullptr);
}
void RemoveVariable(Session &S, const std::u16string &Name) {
  S.Platform().Variables.Remove(Name, *cfgtest::Store(Name).Guid);
}

// Pool the call needs is reported as missing; the stores are what it changes.
EntryPoint StoreEntry(const char *Name, std::function<void(Session &)> Arrange, std::function<Outcome(Session &)> Call,
                      bool UnchangedOnError = true) {
  return EntryPoint{
      Name, true, Arrange, Call, ObserveVariables, EFI_SUCCESS, OnFailure::ReportsOutOfResources, UnchangedOnError};
}
EntryPoint ExtractEntry(const char *Name, const char16_t *Store) {
  return StoreEntry(Name, nullptr, [Store](Session &S) { return Extract(S, Store, cfgtest::Store(Store).Size); });
}
// An absent zero-default store is created (or not) before the response is built.
EntryPoint ExtractAbsentEntry(const char *Name, const char16_t *Store) {
  return StoreEntry(
      Name, [Store](Session &S) { RemoveVariable(S, Store); },
      [Store](Session &S) { return Extract(S, Store, cfgtest::Store(Store).Size); }, false);
}
EntryPoint RouteEntry(const char *Name, const char16_t *Store, UINTN Offset, UINT8 Value) {
  return StoreEntry(Name, nullptr, [=](Session &) { return Route(Store, Offset, Value); });
}
// A question whose callback needs no pool of its own.
EntryPoint QuestionEntry(const char *Name, std::function<Outcome(Session &)> Call) {
  return StoreEntry(Name, nullptr, Call);
}
// A port-state question, retrieved after a refresh.
EntryPoint PortStateEntry(const char *Name, EFI_QUESTION_ID Question) {
  return StoreEntry(Name, RefreshDisks, [Question](Session &) { return Retrieve(Question); });
}

// A visit of the page as a form browser makes it: every store read, every
// hidden question retrieved, the disk action and a save, then the lock-out
// text. Its answer lists the status of each step. (Values are left out: a
// refresh that ran out of pool may have placed a disk at its channel number,
// and a port without a disk keeps the state it was given.)
Outcome VisitPage(Session &S) {
  std::string Answers;
  auto Note = [&](const Outcome &Step) { Answers += std::to_string(Step.Status & 0xFF) + " "; };
  for (const cfgtest::StoreInfo &Store : cfgtest::kStores) Note(Extract(S, Store.Name, Store.Size));
  for (EFI_QUESTION_ID Question :
       {SupervisorPasswordStatus, TpmPresent, HddCount, HddPort0State, HddPort1State, HddPort2State, HddPort3State,
        HddPort4State, HddPort5State, CurrentUserIsSupervisor, UserPasswordStatus, TxtCapable}) {
    Note(Retrieve(Question));
  }
  Note(Changed(HddPort0UserPassword));
  Note(Route(u"System", 17, 20));  // the stored value: a second visit reads what the first did
  Note(Outcome{UnlockFormCallback(const_cast<CHAR16 *>(u"locked")), ""});
  return Outcome{EFI_SUCCESS, Answers};
}

// Columns (EntryPoint): name, start first, arrangement, measured call, observed effect, clean status,
// policy on failure, unchanged on error[, effect with an unreadable text].
const EntryPoint kEntryPoints[] = {
    {"Start", false, nullptr, StartDriver, ObserveRegistration, EFI_SUCCESS, OnFailure::ReportsOutOfResources, false},

    ExtractEntry("Extract_Setup", u"Setup"),
    ExtractEntry("Extract_TpmStatusVar", u"TpmStatusVar"),
    ExtractEntry("Extract_PbaStatusVar", u"PbaStatusVar"),
    ExtractEntry("Extract_StatusSetupVar", u"StatusSetupVar"),
    ExtractEntry("Extract_HDD_Password_Status", u"HDD_Password_Status"),
    ExtractEntry("Extract_System", u"System"),
    ExtractEntry("Extract_UserManagerVar", u"UserManagerVar"),
    ExtractAbsentEntry("Extract_TpmStatusVar_Absent", u"TpmStatusVar"),
    ExtractAbsentEntry("Extract_PbaStatusVar_Absent", u"PbaStatusVar"),
    ExtractAbsentEntry("Extract_HDD_Password_Status_Absent", u"HDD_Password_Status"),

    RouteEntry("Route_Setup", u"Setup", 703, 1),  // TXT on: VT forced, reset replaced
    RouteEntry("Route_TpmStatusVar", u"TpmStatusVar", 80, 1),
    RouteEntry("Route_PbaStatusVar", u"PbaStatusVar", 11, 1),
    RouteEntry("Route_StatusSetupVar", u"StatusSetupVar", 0, 0x33),
    RouteEntry("Route_HDD_Password_Status", u"HDD_Password_Status", 2, 1),
    RouteEntry("Route_System", u"System", 11, 6),  // enable and activate: kept, the TPM is not active
    RouteEntry("Route_UserManagerVar", u"UserManagerVar", 1, 1),

    // Hidden state questions, retrieved.
    {"RetrieveHddCount", true, nullptr, [](Session &) { return Retrieve(HddCount); }, ObserveDisks, EFI_SUCCESS,
     OnFailure::Succeeds, false},
    PortStateEntry("RetrieveHddPort0", HddPort0State),
    PortStateEntry("RetrieveHddPort1", HddPort1State),
    PortStateEntry("RetrieveHddPort2", HddPort2State),
    PortStateEntry("RetrieveHddPort3", HddPort3State),
    PortStateEntry("RetrieveHddPort4", HddPort4State),
    PortStateEntry("RetrieveHddPort5", HddPort5State),
    QuestionEntry("RetrieveSupervisorPassword", [](Session &) { return Retrieve(SupervisorPasswordStatus); }),
    QuestionEntry("RetrieveCurrentUser", [](Session &) { return Retrieve(CurrentUserIsSupervisor); }),
    QuestionEntry("RetrieveUserPassword", [](Session &) { return Retrieve(UserPasswordStatus); }),
    QuestionEntry("RetrieveTpmPresent", [](Session &) { return Retrieve(TpmPresent); }),
    QuestionEntry("RetrieveTxtCapable", [](Session &) { return Retrieve(TxtCapable); }),

    // Actions and changed questions.
    {"ChangedSetSupervisorPassword", true, nullptr, [](Session &) { return Changed(SetSupervisorPassword); },
     ObservePopUps, EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    // "PlatformLang" names no language of the list (OVMF's "en"): STR_CHANGES_SAVED is
    // read in the list's first language, found through the list of languages.
    // Without pool for that list the string cannot be read, and the message box
    // shows the empty text, as the pop-up takes whatever the read left.
    {"ChangedSetSupervisorPasswordFallbackLanguage", true,
     [](Session &S) { testing_strings::SetPlatformLanguage(S.Platform(), "en"); },
     [](Session &) { return Changed(SetSupervisorPassword); }, ObservePopUps, EFI_SUCCESS,
     OnFailure::SucceedsAllOrNothing, false, "[|]"},
    // A message longer than the first 512-byte buffer is read again into one of its size.
    {"ChangedSetSupervisorPasswordLongMessage", true, UseLongMessage,
     [](Session &) { return Changed(SetSupervisorPassword); }, ObservePopUps, EFI_SUCCESS,
     OnFailure::SucceedsAllOrNothing, false},
    {"ChangedSupervisorHint", true, nullptr,
     [](Session &) { return Changed(SupervisorHint, testing_strings::kHintString); }, ObserveHint(u"Supervisor"),
     EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    // The same for a hint: a hint text that cannot be read is stored as the empty hint.
    {"ChangedSupervisorHintFallbackLanguage", true,
     [](Session &S) { testing_strings::SetPlatformLanguage(S.Platform(), "en"); },
     [](Session &) { return Changed(SupervisorHint, testing_strings::kHintString); }, ObserveHint(u"Supervisor"),
     EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false, "hint "},
    {"ChangedSetUserPassword", true, nullptr, [](Session &) { return Changed(SetUserPassword); }, ObservePopUps,
     EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    {"ChangedUserHint", true, nullptr, [](Session &) { return Changed(UserHint, testing_strings::kHintString); },
     ObserveHint(u"User"), EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    QuestionEntry("ChangedMaxPasswordLength", [](Session &) { return Changed(MaxPasswordLength, 12); }),
    QuestionEntry("ChangedMinPasswordLength", [](Session &) { return Changed(MinPasswordLength, 3); }),
    QuestionEntry("ChangedMinPasswordLengthShown", [](Session &) { return Changed(MinPasswordLengthCopy, 3); }),
    QuestionEntry("ChangedChangesSavedExit", [](Session &) { return Changed(ChangesSavedExit); }),
    {"ChangedSetHdd0Password", true, RefreshDisks, [](Session &) { return Changed(HddPort0UserPassword); },
     ObserveDialogName, EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    QuestionEntry("ChangedTpmSupport", [](Session &) { return Changed(TpmSupport, 0); }),
    QuestionEntry("ChangedTpmRequest", [](Session &) { return Changed(TpmChangeRequest, 5); }),
    QuestionEntry("ChangedTxt", [](Session &) { return Changed(TxtEnable, 1); }),
    QuestionEntry("FormOpenSetSupervisorPassword",
                  [](Session &) { return Callback(EFI_BROWSER_ACTION_FORM_OPEN, SetSupervisorPassword); }),

    // The lock-out text: the first call saves the base text, a later one reuses it.
    {"LockOut_First", true, nullptr,
     [](Session &) {
       return Outcome{UnlockFormCallback(const_cast<CHAR16 *>(u"3 attempts")), ""};
     },
     ObserveLockOutText, EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
    {"LockOut_Again", true, [](Session &) { UnlockFormCallback(const_cast<CHAR16 *>(u"first")); },
     [](Session &) {
       return Outcome{UnlockFormCallback(const_cast<CHAR16 *>(u"second text")), ""};
     },
     ObserveLockOutText, EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},

    // Each step reports or survives its own failure; a second visit answers as a clean one.
    {"PageVisit", true, nullptr, VisitPage, ObserveNothing, EFI_SUCCESS, OnFailure::Succeeds, false},

    // The hard-disk subsystem called directly.
    {"Hdd_Refresh_First", true, nullptr,
     [](Session &) {
       return Outcome{EFI_SUCCESS, "count " + std::to_string(RefreshHddSecurityStatus())};
     },
     ObserveDisks, EFI_SUCCESS, OnFailure::Succeeds, false},
    {"Hdd_Refresh_Again", true, RefreshDisks,
     [](Session &) {
       return Outcome{EFI_SUCCESS, "count " + std::to_string(RefreshHddSecurityStatus())};
     },
     ObserveDisks, EFI_SUCCESS, OnFailure::Succeeds, false},
    {"Hdd_Dialog", true, RefreshDisks,
     [](Session &) {
       return Outcome{LaunchHddPasswordDialog(HDD_PASSWORD_KIND_MASTER, GetHddIndexFromPort(3)), ""};
     },
     ObserveDialogName, EFI_SUCCESS, OnFailure::SucceedsAllOrNothing, false},
};

// ---------------------------------------------------------------- the sweep

struct RunRecord {
  Outcome Result;
  std::string Before, After;
  size_t Attempts;
};

// The driver's module state must describe one list, whatever failed.
void ExpectConsistentDiskState() {
  EXPECT_LE(mHddDeviceCount, static_cast<UINTN>(HDD_MAX_DEVICES));
  EXPECT_EQ(mHddDeviceList == nullptr, mHddPortOfDevice == nullptr);
  if (mHddDeviceList == nullptr) {
    EXPECT_EQ(mHddDeviceCount, 0u);
  }
  for (UINT8 State : mHddPortState) EXPECT_LE(State, 7);
}

// One run on a fresh platform. FailAt 0 fails nothing. Clean, when given, is
// the clean run's outcome: the same call is then made once more without a
// failure and must answer as the clean run did.
RunRecord RunOnce(const EntryPoint &Entry, size_t FailAt, const RunRecord *Clean) {
  Session S;
  host::Platform &P = S.Platform();
  if (Entry.StartFirst) {
    S.Start();
  }
  if (Entry.Arrange) {
    Entry.Arrange(S);
  }

  std::vector<const VOID *> KeptBefore = hardening::LongLivedBlocks(P);
  std::map<const VOID *, size_t> KeptBeforeSize;
  for (const VOID *Block : KeptBefore) KeptBeforeSize[Block] = P.Memory.BlockSize(Block);
  size_t Blocks = P.Memory.LiveBlocks();
  size_t Bytes = P.Memory.LiveBytes();
  size_t Attempts = P.Memory.Attempts();
  RunRecord Out{{EFI_SUCCESS, ""}, Entry.Observe(S), "", 0};

  P.Memory.FailNthAllocation(FailAt);
  Out.Result = Entry.Call(S);
  P.Memory.FailNthAllocation(0);
  Out.Attempts = P.Memory.Attempts() - Attempts;
  Out.After = Entry.Observe(S);

  // No leak: the pool is back where it was, apart from the long-lived blocks
  // the call released or took on.
  std::vector<const VOID *> KeptAfter = hardening::LongLivedBlocks(P);
  std::set<const VOID *> Before(KeptBefore.begin(), KeptBefore.end());
  std::set<const VOID *> After(KeptAfter.begin(), KeptAfter.end());
  size_t ExpectedBlocks = Blocks;
  size_t ExpectedBytes = Bytes;
  for (const VOID *Block : Before) {
    if (After.count(Block) == 0) {
      ExpectedBlocks--;
      ExpectedBytes -= KeptBeforeSize[Block];
    }
  }
  for (const VOID *Block : After) {
    if (Before.count(Block) == 0) {
      ExpectedBlocks++;
      ExpectedBytes += P.Memory.BlockSize(Block);
    }
  }
  EXPECT_EQ(P.Memory.LiveBlocks(), ExpectedBlocks) << "pool blocks left behind";
  EXPECT_EQ(P.Memory.LiveBytes(), ExpectedBytes) << "pool bytes left behind";
  EXPECT_EQ(P.Memory.BadFrees(), 0u) << "a block freed twice or never handed out";
  ExpectConsistentDiskState();

  if (Clean != nullptr && Entry.StartFirst) {
    Outcome Again = Entry.Call(S);
    EXPECT_EQ(Again.Status, Clean->Result.Status) << "the next call without a failure";
    EXPECT_EQ(Again.Returned, Clean->Result.Returned) << "the next call without a failure";
    EXPECT_EQ(P.Memory.BadFrees(), 0u);
    ExpectConsistentDiskState();
  }
  return Out;
}

void ExpectFailureReported(const EntryPoint &Entry, const RunRecord &Clean, const RunRecord &Faulted) {
  switch (Entry.Policy) {
    case OnFailure::ReportsOutOfResources:
      if (Faulted.Result.Status == EFI_OUT_OF_RESOURCES) {
        if (Entry.UnchangedOnError) {
          EXPECT_EQ(Faulted.After, Faulted.Before) << "an error status with a change made";
        }
      } else {
        // Success after a failed allocation: it was optional, and the outcome is complete.
        EXPECT_EQ(Faulted.Result.Status, Clean.Result.Status);
        EXPECT_EQ(Faulted.Result.Returned, Clean.Result.Returned);
        EXPECT_EQ(Faulted.After, Clean.After);
      }
      break;
    case OnFailure::SucceedsAllOrNothing:
      EXPECT_EQ(Faulted.Result.Status, Clean.Result.Status);
      EXPECT_TRUE(Faulted.After == Clean.After || Faulted.After == Faulted.Before ||
                  (Entry.Unreadable != nullptr && Faulted.After == Entry.Unreadable))
          << "half done: " << Faulted.After << "\n  clean: " << Clean.After << "\n  before: " << Faulted.Before;
      break;
    case OnFailure::Succeeds:
      EXPECT_EQ(Faulted.Result.Status, Clean.Result.Status);
      break;
  }
}

// Test names and messages show the entry point by its name.
void PrintTo(const EntryPoint &Entry, std::ostream *Out) { *Out << Entry.Name; }

class AllocationSweep : public ::testing::TestWithParam<EntryPoint> {};

TEST_P(AllocationSweep, EveryFailingAllocationIsSurvivedAndReported) {
  const EntryPoint &Entry = GetParam();
  RunRecord Clean = RunOnce(Entry, 0, nullptr);
  ASSERT_EQ(Clean.Result.Status, Entry.Clean) << Clean.Result.Returned;
  RecordProperty("AllocationAttempts", static_cast<int>(Clean.Attempts));
  std::printf("[ sweep    ] %s: %zu allocation attempts\n", Entry.Name, Clean.Attempts);

  for (size_t FailAt = 1; FailAt <= Clean.Attempts; FailAt++) {
    SCOPED_TRACE("allocation " + std::to_string(FailAt) + " of " + std::to_string(Clean.Attempts) + " fails");
    RunRecord Faulted = RunOnce(Entry, FailAt, &Clean);
    // The same path up to the failing attempt: the failure was really injected.
    ASSERT_GE(Faulted.Attempts, FailAt);
    ExpectFailureReported(Entry, Clean, Faulted);
    if (HasFailure()) {
      break;  // one failing point is enough to read
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, AllocationSweep, ::testing::ValuesIn(kEntryPoints),
                         [](const ::testing::TestParamInfo<EntryPoint> &Info) { return std::string(Info.param.Name); });

}  // namespace
