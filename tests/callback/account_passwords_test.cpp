// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the account operations: enrolment, hints, clean-up, status.
#include "callback/account_passwords.h"

#include <gtest/gtest.h>

#include <cstring>

#include "forms/security_page_ids.h"
#include "tests/callback/callback_fixture.h"

namespace {

using namespace SecurityQuestion;

using host::EnrollOutcome;

const std::vector<std::string> kChangesSaved = {"Qel.CommitChanges", "HiiString.GetString(en-US,87,512)",
                                                "TextSetupBrowser.ShowPopUp(Changes have been saved.)"};

std::vector<std::string> Join(std::vector<std::string> First, const std::vector<std::string> &Second) {
  First.insert(First.end(), Second.begin(), Second.end());
  return First;
}

// Every password-record search uses the zeroed template of type 0x10 from the first record.
void ExpectPasswordSearches(const host::QelUserManagerFake &Qel) {
  EFI_USER_INFO Expected{};
  Expected.InfoType = PASSWORD_RECORD_TYPE;
  for (const auto &Search : Qel.Searches) {
    EXPECT_EQ(std::memcmp(&Search.Template, &Expected, sizeof(Expected)), 0);
    EXPECT_TRUE(Search.FromFirstRecord);
  }
  EXPECT_EQ(Qel.ProfileHandlesPassedIn, 0u);  // every profile search starts from a null handle
}

// ---------------------------------------------------------------- enrolment and clean-up

struct EnrollCase {
  const char *Name;
  EFI_QUESTION_ID Question;
  bool SupervisorHasPassword;
  bool UserHasPassword;
  EnrollOutcome Outcome;
  std::u16string MissingProfile;   // FindProfileByName fails for it
  std::u16string FailingSearch;    // FindListInfo answers EFI_DEVICE_ERROR for it
  std::vector<std::string> Calls;  // after the preamble
  bool SupervisorHintAfter;
  bool UserHintAfter;
  bool UserPasswordAfter;
};
void PrintTo(const EnrollCase &Case, std::ostream *Out) { *Out << Case.Name; }

class Enrolment : public CallbackTest, public ::testing::WithParamInterface<EnrollCase> {};

TEST_P(Enrolment, AppliesTheCleanUpRuleThenCommitsAndShowsTheMessage) {
  const EnrollCase &C = GetParam();
  Start(C.SupervisorHasPassword, C.UserHasPassword);
  for (const char16_t *Name : {u"Supervisor", u"User"}) {
    P.Users.Find(Name)->Hint = u"hint";
    P.Users.Find(Name)->HasHint = true;
  }
  P.QelUserManager.NextEnroll = C.Outcome;
  if (!C.MissingProfile.empty()) {
    P.QelUserManager.FindProfileFailures[C.MissingProfile] = EFI_NOT_FOUND;
  }
  if (!C.FailingSearch.empty()) {
    P.QelUserManager.FindListInfoOverrideName = C.FailingSearch;
    P.QelUserManager.FindListInfoOverride = EFI_DEVICE_ERROR;
  }
  size_t Blocks = P.Memory.LiveBlocks();

  EXPECT_EQ(Changed(C.Question), EFI_SUCCESS);
  EXPECT_EQ(Log(), Then(C.Calls));
  EXPECT_EQ(P.Users.Find(u"Supervisor")->HasHint, C.SupervisorHintAfter);
  EXPECT_EQ(P.Users.Find(u"User")->HasHint, C.UserHintAfter);
  EXPECT_EQ(P.Users.Find(u"User")->HasPassword, C.UserPasswordAfter);
  ExpectPasswordSearches(P.QelUserManager);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
  if (!P.TextSetupBrowser.PopUps.empty()) {
    const auto &PopUp = P.TextSetupBrowser.PopUps.back();
    EXPECT_EQ(PopUp.First, nullptr);
    EXPECT_EQ(PopUp.Second, nullptr);
    EXPECT_EQ(PopUp.Lines.size(), 1u);
  }
}

const std::vector<std::string> kSupervisorFound = {"Qel.Enroll(Supervisor)", "Qel.FindProfileByName(Supervisor)",
                                                   "Qel.FindListInfo(Supervisor)"};
const std::vector<std::string> kSupervisorClearedUserFound =
    Join(kSupervisorFound, {"Qel.DeletePwdHint(Supervisor)", "Qel.DeletePwdHint(User)", "Qel.FindProfileByName(User)",
                            "Qel.FindListInfo(User)"});
const std::vector<std::string> kUserFound = {"Qel.Enroll(User)", "Qel.FindProfileByName(User)",
                                             "Qel.FindListInfo(User)"};

// Columns: name, question, Supervisor has a password, User has one, what the dialog does, profile
// missing, search failing, calls after the preamble; then Supervisor hint, User hint, User password after.
INSTANTIATE_TEST_SUITE_P(
    Cases, Enrolment,
    ::testing::Values(
        EnrollCase{
            "SupervisorClearsWhileUserHasPassword", SetSupervisorPassword, true, true, EnrollOutcome::ClearPassword,
            u"", u"",
            Join(kSupervisorClearedUserFound, Join({"UserManager.DeleteInfo(User,password record)"}, kChangesSaved)),
            false, false, false},
        EnrollCase{"SupervisorClearsUserWithoutPassword", SetSupervisorPassword, true, false,
                   EnrollOutcome::ClearPassword, u"", u"", Join(kSupervisorClearedUserFound, kChangesSaved), false,
                   false, false},
        EnrollCase{"SupervisorSets", SetSupervisorPassword, false, true, EnrollOutcome::SetPassword, u"", u"",
                   Join(kSupervisorFound, kChangesSaved), true, true, true},
        EnrollCase{"UserClears", SetUserPassword, true, true, EnrollOutcome::ClearPassword, u"", u"",
                   Join(kUserFound, Join({"Qel.DeletePwdHint(User)"}, kChangesSaved)), true, false, false},
        EnrollCase{"UserSets", SetUserPassword, true, false, EnrollOutcome::SetPassword, u"", u"",
                   Join(kUserFound, kChangesSaved), true, true, true},
        EnrollCase{"UserEnrollFails",
                   SetUserPassword,
                   true,
                   true,
                   EnrollOutcome::Cancel,
                   u"",
                   u"",
                   {"Qel.Enroll(User)"},
                   true,
                   true,
                   true},
        EnrollCase{"SupervisorEnrollFails",
                   SetSupervisorPassword,
                   true,
                   true,
                   EnrollOutcome::Cancel,
                   u"",
                   u"",
                   {"Qel.Enroll(Supervisor)"},
                   true,
                   true,
                   true},
        EnrollCase{"SupervisorProfileMissing", SetSupervisorPassword, true, true, EnrollOutcome::ClearPassword,
                   u"Supervisor", u"",
                   Join({"Qel.Enroll(Supervisor)", "Qel.FindProfileByName(Supervisor)"}, kChangesSaved), true, true,
                   true},
        EnrollCase{"SupervisorSearchFails", SetSupervisorPassword, false, true, EnrollOutcome::ClearPassword, u"",
                   u"Supervisor", Join(kSupervisorFound, kChangesSaved), true, true, true},
        EnrollCase{
            "UserSearchFailsWithAnotherError", SetSupervisorPassword, true, true, EnrollOutcome::ClearPassword, u"",
            u"User",
            Join(kSupervisorClearedUserFound, Join({"UserManager.DeleteInfo(User,password record)"}, kChangesSaved)),
            false, false, false},
        EnrollCase{"UserProfileMissingInSupervisorCleanUp", SetSupervisorPassword, true, true,
                   EnrollOutcome::ClearPassword, u"User", u"",
                   Join(kSupervisorFound, Join({"Qel.DeletePwdHint(Supervisor)", "Qel.DeletePwdHint(User)",
                                                "Qel.FindProfileByName(User)"},
                                               kChangesSaved)),
                   false, false, true},
        EnrollCase{"UserProfileMissing", SetUserPassword, true, true, EnrollOutcome::ClearPassword, u"User", u"",
                   Join({"Qel.Enroll(User)", "Qel.FindProfileByName(User)"}, kChangesSaved), true, true, false}),
    [](const ::testing::TestParamInfo<EnrollCase> &Info) { return Info.param.Name; });

TEST_F(CallbackTest, SupervisorClearingItsPasswordLeavesTheUserCleared) {
  Start(true, true);
  UINT8 Value = 0xEE;
  ASSERT_EQ(Retrieve(UserPasswordStatus, &Value), EFI_SUCCESS);
  EXPECT_EQ(Value, 1);
  P.QelUserManager.NextEnroll = EnrollOutcome::ClearPassword;
  ASSERT_EQ(Changed(SetSupervisorPassword), EFI_SUCCESS);
  ASSERT_EQ(Retrieve(UserPasswordStatus, &Value), EFI_SUCCESS);
  EXPECT_EQ(Value, 0);
  EXPECT_EQ(UserManagerState[3], 0);
}

// ---------------------------------------------------------------- the message in the platform language

struct MessageCase {
  const char *Name;
  std::vector<UINT8> PlatformLang;  // empty: absent
  std::u16string Message;
  std::vector<std::string> Reads;
};
void PrintTo(const MessageCase &Case, std::ostream *Out) { *Out << Case.Name; }

std::vector<UINT8> Tag(const std::string &Text) {
  std::vector<UINT8> Bytes(Text.begin(), Text.end());
  Bytes.push_back(0);
  return Bytes;
}

class ChangesSavedMessage : public CallbackTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(ChangesSavedMessage, IsShownInThePlatformLanguage) {
  const MessageCase &C = GetParam();
  Start();
  if (!C.PlatformLang.empty()) {
    P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, C.PlatformLang, 6);
  }
  ASSERT_EQ(Changed(SetSupervisorPassword), EFI_SUCCESS);
  ASSERT_EQ(P.TextSetupBrowser.PopUps.size(), 1u);
  EXPECT_EQ(P.TextSetupBrowser.PopUps[0].Lines, std::vector<std::u16string>{C.Message});
  EXPECT_EQ(P.Log.With("HiiString."), C.Reads);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangesSavedMessage,
    ::testing::Values(
        MessageCase{
            "French", Tag("fr-FR"), u"Les modifications ont été enregistrées.", {"HiiString.GetString(fr-FR,87,512)"}},
        MessageCase{"Japanese", Tag("ja-JP"), u"変更が保存されました。", {"HiiString.GetString(ja-JP,87,512)"}},
        MessageCase{
            "LanguageTheListLacks",
            Tag("de-DE"),
            u"Changes have been saved.",
            {"HiiString.GetString(de-DE,87,512)", "HiiString.GetLanguages(4096)", "HiiString.GetString(en-US,87,512)"}},
        MessageCase{"PlatformLangAbsent", {}, u"Changes have been saved.", {"HiiString.GetString(en-US,87,512)"}},
        MessageCase{"PlatformLangTooLong",
                    std::vector<UINT8>(44, 'f'),
                    u"Changes have been saved.",
                    {"HiiString.GetString(en-US,87,512)"}},
        MessageCase{"PlatformLang43BytesWithoutNul",
                    std::vector<UINT8>(43, 'f'),
                    u"Changes have been saved.",
                    {"HiiString.GetString(en-US,87,512)"}}),
    [](const ::testing::TestParamInfo<MessageCase> &Info) { return Info.param.Name; });

TEST_F(CallbackTest, NoMessageWhenItsBufferCannotBeHad) {
  Start();
  // The enrolment itself allocates nothing; the message buffer is the first allocation.
  P.Memory.FailNthAllocation(1);
  EXPECT_EQ(Changed(SetSupervisorPassword), EFI_SUCCESS);
  EXPECT_EQ(Log(), Then(Join(kSupervisorFound, {"Qel.CommitChanges"})));
  EXPECT_TRUE(P.TextSetupBrowser.PopUps.empty());
}

// ---------------------------------------------------------------- hints

struct HintCase {
  const char *Name;
  EFI_QUESTION_ID Question;
  EFI_STRING_ID String;
  size_t FailingAllocation;  // 0: none
  std::vector<std::string> Calls;
};
void PrintTo(const HintCase &Case, std::ostream *Out) { *Out << Case.Name; }

class HintEntry : public CallbackTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(HintEntry, StoresTheTypedTextThenCommits) {
  const HintCase &C = GetParam();
  Start(true, true);
  P.Memory.FailNthAllocation(C.FailingAllocation);
  size_t Blocks = P.Memory.LiveBlocks();
  EFI_IFR_TYPE_VALUE Value{};
  Value.string = C.String;
  EXPECT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, C.Question, &Value), EFI_SUCCESS);
  EXPECT_EQ(Log(), Then(C.Calls));
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HintEntry,
    ::testing::Values(
        HintCase{"Supervisor",
                 SupervisorHint,
                 testing_strings::kHintString,
                 0,
                 {"HiiString.GetString(en-US,118,512)", "Qel.AddPwdHint(Supervisor,blue sky)", "Qel.CommitChanges"}},
        HintCase{"User",
                 UserHint,
                 testing_strings::kHintString,
                 0,
                 {"HiiString.GetString(en-US,118,512)", "Qel.AddPwdHint(User,blue sky)", "Qel.CommitChanges"}},
        HintCase{"EmptyText",
                 UserHint,
                 90,
                 0,
                 {"HiiString.GetString(en-US,90,512)", "Qel.AddPwdHint(User,)", "Qel.CommitChanges"}},
        HintCase{"UnreadableString",
                 SupervisorHint,
                 500,
                 0,
                 {"HiiString.GetString(en-US,500,512)", "HiiString.GetLanguages(4096)",
                  "HiiString.GetString(en-US,500,512)", "Qel.AddPwdHint(Supervisor,)", "Qel.CommitChanges"}},
        HintCase{"NoMemory", SupervisorHint, testing_strings::kHintString, 1, {"Qel.CommitChanges"}}),
    [](const ::testing::TestParamInfo<HintCase> &Info) { return Info.param.Name; });

// ---------------------------------------------------------------- password status retrieval

struct StatusCase {
  const char *Name;
  EFI_QUESTION_ID Question;
  bool HasPassword;
  EFI_STATUS Probe;
  bool ProfileMissing;
  bool SearchFails;
  EFI_STATUS Expected;
  UINT8 Value;      // answer (browser value 0xEE)
  UINT8 StateByte;  // UserManagerState byte afterwards (0xAA before)
  std::vector<std::string> Calls;
};
void PrintTo(const StatusCase &Case, std::ostream *Out) { *Out << Case.Name; }

class PasswordStatus : public CallbackTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PasswordStatus, ReflectsThePasswordRecordOfTheAccount) {
  const StatusCase &C = GetParam();
  const bool Supervisor = C.Question == SupervisorPasswordStatus;
  const std::u16string Account = Supervisor ? u"Supervisor" : u"User";
  Start(Supervisor && C.HasPassword, !Supervisor && C.HasPassword);
  P.QelUserManager.ProbeStatus = C.Probe;
  if (C.ProfileMissing) {
    P.QelUserManager.FindProfileFailures[Account] = EFI_NOT_FOUND;
  }
  if (C.SearchFails) {
    P.QelUserManager.FindListInfoOverrideName = Account;
    P.QelUserManager.FindListInfoOverride = EFI_DEVICE_ERROR;
  }
  const UINTN Byte = Supervisor ? 4 : 3;
  UserManagerState[Byte] = 0xAA;
  UINT8 Value = 0;
  EXPECT_EQ(Retrieve(C.Question, &Value, 0xEE), C.Expected);
  EXPECT_EQ(Value, C.Value);
  EXPECT_EQ(UserManagerState[Byte], C.StateByte);
  EXPECT_EQ(Log(), Then(C.Calls));
  ExpectPasswordSearches(P.QelUserManager);
}

const std::vector<std::string> kAdminCalls = {"Qel.Probe", "Qel.FindProfileByName(Supervisor)",
                                              "Qel.FindListInfo(Supervisor)"};
const std::vector<std::string> kUserCalls = {"Qel.FindProfileByName(User)", "Qel.FindListInfo(User)"};

// Columns: name, question, the account has a password, Probe's answer, profile missing, search fails,
// status, value answered, UserManagerState byte afterwards, calls after the preamble.
INSTANTIATE_TEST_SUITE_P(Cases, PasswordStatus,
                         ::testing::Values(StatusCase{"SupervisorSet", SupervisorPasswordStatus, true, EFI_SUCCESS,
                                                      false, false, EFI_SUCCESS, 1, 1, kAdminCalls},
                                           StatusCase{"SupervisorCleared", SupervisorPasswordStatus, false, EFI_SUCCESS,
                                                      false, false, EFI_SUCCESS, 0, 0, kAdminCalls},
                                           StatusCase{"SupervisorSearchFails", SupervisorPasswordStatus, true,
                                                      EFI_SUCCESS, false, true, EFI_SUCCESS, 0, 0, kAdminCalls},
                                           StatusCase{"SupervisorMissingProbeOk",
                                                      SupervisorPasswordStatus,
                                                      true,
                                                      EFI_SUCCESS,
                                                      true,
                                                      false,
                                                      EFI_UNSUPPORTED,
                                                      1,
                                                      0xAA,
                                                      {"Qel.Probe", "Qel.FindProfileByName(Supervisor)"}},
                                           StatusCase{"SupervisorMissingProbeFails",
                                                      SupervisorPasswordStatus,
                                                      true,
                                                      EFI_DEVICE_ERROR,
                                                      true,
                                                      false,
                                                      EFI_UNSUPPORTED,
                                                      0,
                                                      0xAA,
                                                      {"Qel.Probe", "Qel.FindProfileByName(Supervisor)"}},
                                           StatusCase{"UserSet", UserPasswordStatus, true, EFI_SUCCESS, false, false,
                                                      EFI_SUCCESS, 1, 1, kUserCalls},
                                           StatusCase{"UserCleared", UserPasswordStatus, false, EFI_SUCCESS, false,
                                                      false, EFI_SUCCESS, 0, 0, kUserCalls},
                                           StatusCase{"UserSearchFails", UserPasswordStatus, true, EFI_SUCCESS, false,
                                                      true, EFI_SUCCESS, 0, 0, kUserCalls},
                                           StatusCase{"UserMissing",
                                                      UserPasswordStatus,
                                                      true,
                                                      EFI_SUCCESS,
                                                      true,
                                                      false,
                                                      EFI_UNSUPPORTED,
                                                      0xEE,
                                                      0xAA,
                                                      {"Qel.FindProfileByName(User)"}}),
                         [](const ::testing::TestParamInfo<StatusCase> &Info) { return Info.param.Name; });

}  // namespace
