// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the lock-out form's text.
#include "entry/unlock_form_text.h"

#include <gtest/gtest.h>

#include "forms/security_page_ids.h"
#include "support/service_context.h"
#include "tests/support/test_strings.h"

using host::Platform;
using testing_strings::RegisterSecurityStrings;
using testing_strings::SetPlatformLanguage;

namespace {

class UnlockFormText : public ::testing::Test {
 protected:
  void Start(const std::u16string &PackagedText, host::ServiceSet Services = host::ServiceSet()) {
    P.InstallServices(Services);
    P.AddStandardAccounts();
    P.StartDriver();
    ASSERT_TRUE(P.QelUserManager.Unlock.Registered);
    mHiiHandle = RegisterSecurityStrings(P, PackagedText);
    P.Log.Clear();
  }
  // The lock-out text as the user manager service shows it.
  EFI_STATUS Show(const CHAR16 *Text) { return P.QelUserManager.Unlock.Callback(const_cast<CHAR16 *>(Text)); }
  std::u16string Lockout(const std::string &Language = "en-US") {
    return P.HiiString.Text(mHiiHandle, Language, STR_LOCKOUT_TEXT).value_or(u"<none>");
  }

  Platform P;
};

struct SequenceCase {
  const char *Name;
  std::u16string Packaged;
  std::vector<std::pair<std::u16string, std::u16string>> Steps;  // text shown, STR_LOCKOUT_TEXT afterwards
};
void PrintTo(const SequenceCase &Case, std::ostream *Out) { *Out << Case.Name; }

class UnlockFormSequence : public UnlockFormText, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(UnlockFormSequence, EveryCallRebuildsTheStringFromTheSavedBase) {
  Start(GetParam().Packaged);
  for (const auto &Step : GetParam().Steps) {
    EXPECT_EQ(Show(Step.first.c_str()), EFI_SUCCESS);
    EXPECT_EQ(Lockout(), Step.second) << host::Narrow(Step.first);
  }
  ASSERT_NE(mOriginalStr, nullptr);
  EXPECT_EQ(std::u16string(mOriginalStr), GetParam().Packaged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnlockFormSequence,
    ::testing::Values(SequenceCase{"EmptyBase", u"", {{u"A", u"A"}, {u"B", u"B"}, {u"", u""}}},
                      SequenceCase{"BaseP", u"P ", {{u"A", u"P A"}, {u"B", u"P B"}, {u"", u"P "}, {u"C", u"P C"}}}),
    [](const ::testing::TestParamInfo<SequenceCase> &Info) { return Info.param.Name; });

TEST_F(UnlockFormText, ReadsThenWritesTheCurrentLanguageInThisOrder) {
  Start(u"");
  SetPlatformLanguage(P, "fr-FR");
  size_t Blocks = P.Memory.LiveBlocks();
  EXPECT_EQ(Show(u"Réessayez"), EFI_SUCCESS);
  EXPECT_EQ(P.Log.All(),
            (std::vector<std::string>{"HiiString.GetString(fr-FR,117,0)", "HiiString.GetString(fr-FR,117,2)",
                                      "HiiString.SetString(fr-FR,117,Réessayez)"}));
  EXPECT_EQ(Lockout("fr-FR"), u"Réessayez");
  EXPECT_EQ(Lockout("en-US"), u"");
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks + 1);  // only the saved base text stays
  EXPECT_TRUE(P.Memory.Owns(mOriginalStr));
}

TEST_F(UnlockFormText, WithoutTheHiiStringServiceNothingIsSaved) {
  host::ServiceSet Services;
  Services.HiiString = false;
  Start(u"", Services);
  EXPECT_EQ(Show(u"A"), EFI_SUCCESS);
  EXPECT_EQ(mOriginalStr, nullptr);
  EXPECT_EQ(AppendHiiString(STR_LOCKOUT_TEXT, &mOriginalStr, u"A"), EFI_NOT_READY);
  EXPECT_TRUE(P.Log.All().empty());
}

TEST_F(UnlockFormText, AProbeAnsweredWithoutBufferSavesAndWritesNothing) {
  Start(u"P");
  P.HiiString.ProbeAnswer = EFI_SUCCESS;
  size_t Blocks = P.Memory.LiveBlocks();
  EXPECT_EQ(Show(u"A"), EFI_SUCCESS);
  EXPECT_EQ(mOriginalStr, nullptr);
  EXPECT_EQ(P.Log.All(), std::vector<std::string>{"HiiString.GetString(en-US,117,0)"});
  EXPECT_EQ(Lockout(), u"P");
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
}

TEST_F(UnlockFormText, AFailedWriteKeepsTheBaseAndLeavesTheStringAsItWas) {
  Start(u"P");
  P.HiiString.SetStringStatus = EFI_OUT_OF_RESOURCES;
  size_t Blocks = P.Memory.LiveBlocks();
  EXPECT_EQ(AppendHiiString(STR_LOCKOUT_TEXT, &mOriginalStr, u"A"), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Lockout(), u"P");
  ASSERT_NE(mOriginalStr, nullptr);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks + 1);  // the new text was released

  P.HiiString.SetStringStatus = EFI_SUCCESS;
  EXPECT_EQ(Show(u"B"), EFI_SUCCESS);
  EXPECT_EQ(Lockout(), u"PB");
}

TEST_F(UnlockFormText, OutOfMemory) {
  Start(u"P");
  struct Case {
    const char *Name;
    size_t FailingAllocation;  // 1: the read, 2: the base copy, 3: the new text
    bool BaseSaved;
  };
  for (const Case &C : {Case{"read", 1, false}, Case{"base copy", 2, false}, Case{"new text", 3, true}}) {
    SCOPED_TRACE(C.Name);
    mOriginalStr = nullptr;
    size_t Blocks = P.Memory.LiveBlocks();
    P.Memory.FailNthAllocation(C.FailingAllocation);
    EXPECT_EQ(AppendHiiString(STR_LOCKOUT_TEXT, &mOriginalStr, u"A"), EFI_OUT_OF_RESOURCES);
    EXPECT_EQ(mOriginalStr != nullptr, C.BaseSaved);
    EXPECT_EQ(P.Memory.LiveBlocks(), Blocks + (C.BaseSaved ? 1 : 0));
    EXPECT_EQ(Lockout(), u"P");
  }
}

TEST_F(UnlockFormText, ANullTextShowsTheBaseText) {
  Start(u"P");
  EXPECT_EQ(Show(u"A"), EFI_SUCCESS);
  EXPECT_EQ(Show(nullptr), EFI_SUCCESS);
  EXPECT_EQ(Lockout(), u"P");
}

}  // namespace
