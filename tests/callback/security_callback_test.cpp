// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of SecurityCallback: preamble, dispatches, statuses.
#include "callback/security_callback.h"

#include <gtest/gtest.h>

#include "forms/security_page_ids.h"
#include "hdd/hdd_security_status.h"
#include "tests/callback/callback_fixture.h"

namespace {

using namespace SecurityQuestion;

using testing_strings::SetPlatformLanguage;

std::vector<UINT8> SystemBytes(size_t Size = 21) {
  std::vector<UINT8> Bytes(Size);
  for (size_t Index = 0; Index < Size; Index++) {
    Bytes[Index] = (UINT8)(0xA0 + Index);
  }
  return Bytes;
}

// ---------------------------------------------------------------- preamble

TEST_F(CallbackTest, PreambleFailuresEndEveryAction) {
  struct Case {
    const char *Name;
    EFI_STATUS Current;
    EFI_STATUS GetUsername;
    EFI_STATUS Expected;
    std::vector<std::string> Calls;
  };
  const std::vector<Case> Cases = {
      {"Current fails", EFI_ACCESS_DENIED, EFI_SUCCESS, EFI_ACCESS_DENIED, {"UserManager.Current"}},
      {"GetUsernameFromProfile fails", EFI_SUCCESS, EFI_NOT_FOUND, EFI_UNSUPPORTED, Preamble()},
  };
  Start();
  for (const Case &C : Cases) {
    for (EFI_BROWSER_ACTION Action : std::vector<EFI_BROWSER_ACTION>{
             EFI_BROWSER_ACTION_CHANGED, EFI_BROWSER_ACTION_RETRIEVE, EFI_BROWSER_ACTION_FORM_OPEN}) {
      SCOPED_TRACE(std::string(C.Name) + ", action " + std::to_string(Action));
      P.UserManager.CurrentStatus = C.Current;
      P.QelUserManager.GetUsernameStatus = C.GetUsername;
      ExpectUntouchedCall(Action, ChangesSavedExit, C.Expected, C.Calls);
    }
  }
}

TEST_F(CallbackTest, TextSetupBrowserIsLocatedOnFirstUseRetriedAndKept) {
  host::ServiceSet Services;
  Services.TextSetupBrowser = false;
  Start(false, false, Services);
  for (EFI_BROWSER_ACTION Action : std::vector<EFI_BROWSER_ACTION>{
           EFI_BROWSER_ACTION_CHANGED, EFI_BROWSER_ACTION_RETRIEVE, EFI_BROWSER_ACTION_FORM_OPEN}) {
    ExpectUntouchedCall(Action, ChangesSavedExit, EFI_NOT_FOUND, {});
    ExpectUntouchedCall(Action, CurrentUserIsSupervisor, EFI_NOT_FOUND, {});
  }
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(mTextSetupBrowser, nullptr);

  EFI_HANDLE Handle = nullptr;
  P.Handles.Install(&Handle, &gTextSetupBrowserProtocolGuid, &P.TextSetupBrowser.Protocol);
  EXPECT_EQ(Changed(ChangesSavedExit), EFI_SUCCESS);
  EXPECT_EQ(mTextSetupBrowser, &P.TextSetupBrowser.Protocol);
}

// ---------------------------------------------------------------- actions without work

TEST_F(CallbackTest, OtherActionsRunOnlyThePreamble) {
  Start();
  UserManagerState[1] = UserManagerState[3] = UserManagerState[4] = 0xAA;
  for (EFI_BROWSER_ACTION Action :
       std::vector<EFI_BROWSER_ACTION>{EFI_BROWSER_ACTION_CHANGING, EFI_BROWSER_ACTION_SUBMITTED,
                                       EFI_BROWSER_ACTION_FORM_OPEN, EFI_BROWSER_ACTION_FORM_CLOSE}) {
    for (EFI_QUESTION_ID Question : {CurrentUserIsSupervisor, UserPasswordStatus, SetSupervisorPassword, SupervisorHint,
                                     SetUserPassword, MaxPasswordLength, MinPasswordLength, ChangesSavedExit, HddCount,
                                     SupervisorPasswordStatus, TpmPresent, HddPort0UserPassword, TxtCapable}) {
      SCOPED_TRACE("action " + std::to_string(Action) + ", question " + std::to_string(Question));
      ExpectUntouchedCall(Action, Question, EFI_SUCCESS, Preamble());
    }
  }
  EXPECT_TRUE(P.Variables.Writes().empty());
  EXPECT_EQ(UserManagerState[1], 0xAA);
  EXPECT_EQ(UserManagerState[3], 0xAA);
  EXPECT_EQ(UserManagerState[4], 0xAA);
  EXPECT_EQ(TxtStatusPending, 1);
}

TEST_F(CallbackTest, ChangesOfQuestionsWithoutActionDoNothing) {
  Start();
  P.Variables.Put(u"System", gSystemConfigurationGuid, SystemBytes());
  // Questions whose change the callback carries out nothing for, and IDs no question of the page has.
  const EFI_QUESTION_ID Questions[] = {
      CurrentUserIsSupervisor, UserPasswordStatus, MinPasswordLengthCopy, HddCount, HddPort0State,
      SupervisorPasswordStatus, TpmPresent, TpmSupport, TpmChangeRequest, TxtEnable, TxtCapable,
      1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 10022, 10023, 10024, 10025, 10028, 10031, 10034, 10037,
  };
  for (EFI_QUESTION_ID Question : Questions) {
    SCOPED_TRACE(Question);
    ExpectUntouchedCall(EFI_BROWSER_ACTION_CHANGED, Question, EFI_SUCCESS, Preamble());
  }
  EXPECT_TRUE(P.Variables.Writes().empty());
}

// ---------------------------------------------------------------- password length limits

// "System" is written back with the attributes it was read with.
TEST_F(CallbackTest, LengthLimitsRewriteOneByteOfSystemAtOnce) {
  struct Case {
    EFI_QUESTION_ID Question;
    UINT8 Byte;
    size_t Offset;
    UINT32 Attributes;
  };
  Start();
  for (const Case &C : {Case{MaxPasswordLength, 12, 17, 7}, Case{MinPasswordLength, 3, 18, 7},
                        Case{MaxPasswordLength, 12, 17, 3}, Case{MinPasswordLength, 3, 18, 6}}) {
    SCOPED_TRACE(std::to_string(C.Question) + " attributes " + std::to_string(C.Attributes));
    P.Variables.Put(u"System", gSystemConfigurationGuid, SystemBytes(), C.Attributes);
    size_t Writes = P.Variables.Writes().size();
    EXPECT_EQ(Changed(C.Question, C.Byte), EFI_SUCCESS);
    ASSERT_EQ(P.Variables.Writes().size(), Writes + 1);
    const auto &Write = P.Variables.Writes().back();
    EXPECT_EQ(Write.Name, u"System");
    EXPECT_EQ(Write.Attributes, C.Attributes);
    std::vector<UINT8> Expected = SystemBytes();
    Expected[C.Offset] = C.Byte;
    EXPECT_EQ(Write.Data, Expected);
  }
}

TEST_F(CallbackTest, LengthLimitFailuresWriteNothing) {
  struct Case {
    const char *Name;
    size_t Size;  // 0: absent
    EFI_STATUS SetFailure;
    EFI_STATUS Expected;
    size_t Writes;  // SetVariable calls made
    UINT32 Attributes = 7;
  };
  const std::vector<Case> Cases = {
      {"22-byte variable", 22, EFI_SUCCESS, EFI_BUFFER_TOO_SMALL, 0},
      {"variable absent", 0, EFI_SUCCESS, EFI_NOT_FOUND, 0},
      {"too short for the field", 17, EFI_SUCCESS, EFI_BAD_BUFFER_SIZE, 0},
      {"write fails", 21, EFI_WRITE_PROTECTED, EFI_WRITE_PROTECTED, 1},
      // A write of an authenticated variable needs a signed payload.
      {"authenticated write access", 21, EFI_SUCCESS, EFI_WRITE_PROTECTED, 0, 0x17},
      {"time-based authenticated write access", 21, EFI_SUCCESS, EFI_WRITE_PROTECTED, 0, 0x27},
      {"enhanced authenticated access", 21, EFI_SUCCESS, EFI_WRITE_PROTECTED, 0, 0x87},
  };
  Start();
  for (const Case &C : Cases) {
    for (EFI_QUESTION_ID Question : {MaxPasswordLength, MinPasswordLength}) {
      SCOPED_TRACE(std::string(C.Name) + ", question " + std::to_string(Question));
      P.Variables.Remove(u"System", gSystemConfigurationGuid);
      if (C.Size != 0) {
        P.Variables.Put(u"System", gSystemConfigurationGuid, SystemBytes(C.Size), C.Attributes);
      }
      P.Variables.FailSet(u"System", C.SetFailure);
      size_t Writes = P.Variables.Writes().size();
      EXPECT_EQ(Changed(Question, 12), C.Expected);
      EXPECT_EQ(P.Variables.Writes().size(), Writes + C.Writes);
      if (C.Size != 0) {
        EXPECT_EQ(P.Variables.Read(u"System", gSystemConfigurationGuid), SystemBytes(C.Size));
      }
    }
  }
}

// ---------------------------------------------------------------- exit request

TEST_F(CallbackTest, ChangesSavedAsksTheBrowserToExit) {
  Start();
  EFI_IFR_TYPE_VALUE Value{};
  EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, ChangesSavedExit, &Value, &Request), EFI_SUCCESS);
  EXPECT_EQ(Request, (EFI_BROWSER_ACTION_REQUEST)EFI_BROWSER_ACTION_REQUEST_EXIT);
  EXPECT_EQ(Log(), Preamble());
}

// ---------------------------------------------------------------- null arguments

TEST_F(CallbackTest, NullValueOrRequestWhereTheyAreUsedIsRefused) {
  Start(true, true);
  P.Variables.Put(u"System", gSystemConfigurationGuid, SystemBytes());
  P.Variables.Put(u"Setup", gSetupVariableGuid, std::vector<UINT8>(868, 1));
  struct Case {
    EFI_BROWSER_ACTION Action;
    EFI_QUESTION_ID Question;
  };
  std::vector<Case> Cases = {{EFI_BROWSER_ACTION_CHANGED, SupervisorHint},
                             {EFI_BROWSER_ACTION_CHANGED, UserHint},
                             {EFI_BROWSER_ACTION_CHANGED, MaxPasswordLength},
                             {EFI_BROWSER_ACTION_CHANGED, MinPasswordLength}};
  for (EFI_QUESTION_ID Question :
       {HddCount, HddPort0State, HddPort1State, HddPort2State, HddPort3State, HddPort4State, HddPort5State,
        SupervisorPasswordStatus, CurrentUserIsSupervisor, UserPasswordStatus, TpmPresent, TxtCapable}) {
    Cases.push_back({EFI_BROWSER_ACTION_RETRIEVE, Question});
  }
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Question);
    P.Log.Clear();
    EFI_BROWSER_ACTION_REQUEST Request = 0x55;
    EXPECT_EQ(Call(C.Action, C.Question, nullptr, &Request), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Log(), Preamble());
    EXPECT_EQ(Request, 0x55u);
  }
  EFI_IFR_TYPE_VALUE Value{};
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, ChangesSavedExit, &Value, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_TRUE(P.Variables.Writes().empty());
  EXPECT_EQ(TxtStatusPending, 1);  // the one-shot read was not spent

  // Questions that use neither still run with both null.
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, 1010, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, HddPort0UserPassword, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_RETRIEVE, SetSupervisorPassword, nullptr, nullptr), EFI_SUCCESS);
}

// ---------------------------------------------------------------- hard-disk password questions

TEST(HddPasswordQuestions, SixPairsMapToPortAndPasswordKind) {
  struct Case {
    EFI_QUESTION_ID Question;
    bool Mapped;
    UINT16 Port;
    UINT32 Kind;
  };
  constexpr UINT32 User = HDD_PASSWORD_KIND_USER, Master = HDD_PASSWORD_KIND_MASTER;
  // {question, mapped, port, kind}: each port's pair, and the IDs around them that no question has.
  const std::vector<Case> Cases = {
      {10019, false, 0, 0},
      {HddPort0UserPassword, true, 0, User}, {HddPort0UserPassword + 1, true, 0, Master},
      {10022, false, 0, 0}, {10023, false, 0, 0}, {10024, false, 0, 0}, {10025, false, 0, 0},
      {HddPort1UserPassword, true, 1, User}, {HddPort1UserPassword + 1, true, 1, Master},
      {10028, false, 0, 0},
      {HddPort2UserPassword, true, 2, User}, {HddPort2UserPassword + 1, true, 2, Master},
      {10031, false, 0, 0},
      {HddPort3UserPassword, true, 3, User}, {HddPort3UserPassword + 1, true, 3, Master},
      {10034, false, 0, 0},
      {HddPort4UserPassword, true, 4, User}, {HddPort4UserPassword + 1, true, 4, Master},
      {10037, false, 0, 0},
      {HddPort5UserPassword, true, 5, User}, {HddPort5UserPassword + 1, true, 5, Master},
      {10040, false, 0, 0}, {SetSupervisorPassword, false, 0, 0},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Question);
    UINT16 Port = 0xFFFF;
    UINT32 Kind = 0xFFFF;
    EXPECT_EQ(HddPasswordQuestion(C.Question, &Port, &Kind) != FALSE, C.Mapped);
    if (C.Mapped) {
      EXPECT_EQ(Port, C.Port);
      EXPECT_EQ(Kind, C.Kind);
    }
  }
}

TEST_F(CallbackTest, HardDiskPasswordQuestionsSucceed) {
  Start();
  for (EFI_QUESTION_ID Question = HddPort0UserPassword; Question <= HddPort5UserPassword + 1; Question++) {
    SCOPED_TRACE(Question);
    EXPECT_EQ(Changed(Question), EFI_SUCCESS);
  }
}

// ---------------------------------------------------------------- retrieval

TEST_F(CallbackTest, CurrentUserIsSupervisorOnlyByExactName) {
  Start();
  P.Users.Add(u"supervisor");
  P.Users.Add(u"Supervisor ");
  struct Case {
    std::u16string Current;
    UINT8 Expected;
  };
  for (const Case &C : {Case{u"Supervisor", 1}, Case{u"supervisor", 0}, Case{u"Supervisor ", 0}, Case{u"User", 0}}) {
    SCOPED_TRACE(host::Narrow(C.Current));
    P.UserManager.CurrentUser = C.Current;
    P.Log.Clear();
    UINT8 Value = 0xEE;
    EXPECT_EQ(Retrieve(CurrentUserIsSupervisor, &Value), EFI_SUCCESS);
    EXPECT_EQ(Value, C.Expected);
    EXPECT_EQ(UserManagerState[1], C.Expected);
    EXPECT_EQ(Log(), Preamble());
  }
}

TEST_F(CallbackTest, HardDiskCountAndPortStates) {
  Start();
  UINT8 Value = 0xEE;
  EXPECT_EQ(Retrieve(HddCount, &Value), EFI_SUCCESS);
  EXPECT_EQ(Value, 0);  // no disks on this platform

  const UINT8 States[HDD_PORT_COUNT] = {0, 1, 2, 3, 4, 7};
  for (UINTN Port = 0; Port < HDD_PORT_COUNT; Port++) {
    mHddPortState[Port] = States[Port];
  }
  for (UINTN Port = 0; Port < HDD_PORT_COUNT; Port++) {
    SCOPED_TRACE(Port);
    EXPECT_EQ(Retrieve((EFI_QUESTION_ID)(HddPort0State + Port), &Value), EFI_SUCCESS);
    EXPECT_EQ(Value, States[Port]);
  }
}

// The TPM presence probe reads the access register: all ones means no TPM.
TEST_F(CallbackTest, TpmPresenceFollowsTheAccessRegister) {
  struct Case {
    UINT8 AccessByte;
    UINT8 Present;
  };
  Start();
  for (const Case &C : {Case{0xFF, 0}, Case{0x00, 1}, Case{0x81, 1}, Case{0xFE, 1}}) {
    SCOPED_TRACE(C.AccessByte);
    P.Hardware.TpmAccessByte = C.AccessByte;
    UINT8 Value = 0xEE;
    EXPECT_EQ(Retrieve(TpmPresent, &Value), EFI_SUCCESS);
    EXPECT_EQ(Value, C.Present);
  }
}

struct TxtCase {
  const char *Name;
  size_t SetupSize;  // 0: absent
  UINT8 Byte702;
  UINT8 First;  // answer of the first retrieval when the browser supplied 0x00
};

class TxtCapableRetrieval : public CallbackTest, public ::testing::WithParamInterface<TxtCase> {};
void PrintTo(const TxtCase &Case, std::ostream *Out) { *Out << Case.Name; }

TEST_P(TxtCapableRetrieval, SetupIsReadOnceAtTheFirstRetrieval) {
  const TxtCase &C = GetParam();
  Start();
  if (C.SetupSize != 0) {
    std::vector<UINT8> Setup(C.SetupSize, 0);
    if (C.SetupSize > 702) {
      Setup[702] = C.Byte702;
    }
    P.Variables.Put(u"Setup", gSetupVariableGuid, Setup);
  }
  UINT8 Value = 0xEE;
  size_t Reads = P.Variables.GetCalls();
  EXPECT_EQ(Retrieve(TxtCapable, &Value, 0x00), EFI_SUCCESS);
  EXPECT_EQ(Value, C.First);
  EXPECT_EQ(TxtStatusPending, 0);
  EXPECT_EQ(P.Variables.GetCalls() - Reads, 1u);

  // Later retrievals keep the browser's value and read nothing.
  P.Variables.Put(u"Setup", gSetupVariableGuid, std::vector<UINT8>(868, 1));
  Reads = P.Variables.GetCalls();
  for (UINT8 Browser : {0x00, 0x01, 0x07}) {
    EXPECT_EQ(Retrieve(TxtCapable, &Value, Browser), EFI_SUCCESS);
    EXPECT_EQ(Value, Browser);
  }
  EXPECT_EQ(P.Variables.GetCalls(), Reads);
  EXPECT_TRUE(P.Variables.Writes().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, TxtCapableRetrieval,
                         ::testing::Values(TxtCase{"Capable", 868, 1, 1}, TxtCase{"NotCapable", 868, 0, 0},
                                           TxtCase{"OtherValue", 868, 2, 0}, TxtCase{"SetupAbsent", 0, 0, 0},
                                           TxtCase{"SetupLarger", 869, 1, 0}, TxtCase{"SetupTooShort", 600, 1, 0}),
                         [](const ::testing::TestParamInfo<TxtCase> &Info) { return Info.param.Name; });

TEST_F(CallbackTest, MissingUserManagerStateFailsItsRetrievalsAndWritesNothing) {
  Start(true, true);
  UserManagerState = nullptr;  // as when its allocation failed at start-up
  for (EFI_QUESTION_ID Question : {CurrentUserIsSupervisor, UserPasswordStatus, SupervisorPasswordStatus}) {
    SCOPED_TRACE(Question);
    P.Log.Clear();
    UINT8 Value = 0;
    EXPECT_EQ(Retrieve(Question, &Value, 0xEE), EFI_OUT_OF_RESOURCES);
    EXPECT_EQ(Value, 0xEE);
    EXPECT_EQ(Log(), Preamble());
  }
  // Questions that do not need it are answered as usual.
  UINT8 Value = 0xEE;
  EXPECT_EQ(Retrieve(HddCount, &Value), EFI_SUCCESS);
  EXPECT_EQ(Changed(SetSupervisorPassword), EFI_SUCCESS);
}

}  // namespace
