// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of HII string access and the language choice.
#include "support/hii_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "forms/security_page_ids.h"
#include "tests/support/test_strings.h"

using host::Platform;
using testing_strings::RegisterSecurityStrings;
using testing_strings::SetPlatformLanguage;

namespace {

class HiiStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    P.InstallServices();
    P.AddStandardAccounts();
    P.StartDriver();
    Handle = RegisterSecurityStrings(P);
    P.Log.Clear();
  }
  std::vector<std::string> HiiCalls() const { return P.Log.With("HiiString."); }

  Platform P;
  EFI_HII_HANDLE Handle = nullptr;
};

std::u16string Take(Platform &P, EFI_STRING Text) {
  std::u16string Copy = Text == nullptr ? u"<null>" : Text;
  if (Text != nullptr) {
    P.BootServices.FreePool(Text);
  }
  return Copy;
}

// ---------------------------------------------------------------- current language

struct LanguageCase {
  const char *Name;
  std::vector<UINT8> Stored;  // empty: variable absent
  std::string Expected;
};

TEST_F(HiiStrings, CurrentLanguageComesFromPlatformLangWithEnglishFallback) {
  std::string Tag42(42, 'a');
  std::vector<UINT8> Tag42WithNul(Tag42.begin(), Tag42.end());
  Tag42WithNul.push_back(0);
  std::vector<LanguageCase> Cases = {
      {"absent", {}, "en-US"},
      {"fr-FR with NUL", {'f', 'r', '-', 'F', 'R', 0}, "fr-FR"},
      {"ja-JP stored without NUL", {'j', 'a', '-', 'J', 'P'}, "ja-JP"},
      {"42 characters and NUL", Tag42WithNul, Tag42},
      {"43 bytes without NUL", std::vector<UINT8>(43, 'b'), "en-US"},
      {"44 bytes", std::vector<UINT8>(44, 'c'), "en-US"},
  };
  for (const LanguageCase &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    if (Case.Stored.empty()) {
      P.Variables.Remove(u"PlatformLang", gEfiGlobalVariableGuid);
    } else {
      P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, Case.Stored, 6);
    }
    std::memset(mHiiLibLanguage, 'X', sizeof(mHiiLibLanguage));
    CHAR8 *Current = HiiLibCurrentLanguage();
    EXPECT_EQ(Current, mHiiLibLanguage);
    ASSERT_NE(std::memchr(Current, 0, LANGUAGE_TAG_SIZE), nullptr) << "tag left unterminated";
    EXPECT_EQ(std::string(Current), Case.Expected);

    CHAR8 Local[LANGUAGE_TAG_SIZE];
    std::memset(Local, 'Y', sizeof(Local));
    HiiLibReadPlatformLanguage(Local);
    ASSERT_NE(std::memchr(Local, 0, LANGUAGE_TAG_SIZE), nullptr);
    EXPECT_EQ(std::string(Local), Case.Expected);
  }
}

// ---------------------------------------------------------------- current-language read and write

TEST_F(HiiStrings, StrGetProbesTheSizeThenAllocatesOnce) {
  SetPlatformLanguage(P, "fr-FR");
  size_t Attempts = P.Memory.Attempts();
  EFI_STRING Text = nullptr;
  ASSERT_EQ(HiiLibStrGet(Handle, STR_CHANGES_SAVED, &Text, nullptr), EFI_SUCCESS);
  EXPECT_EQ(P.Memory.Attempts() - Attempts, 1u);
  const size_t Size = (std::u16string(u"Les modifications ont été enregistrées.").size() + 1) * 2;
  EXPECT_EQ(P.Memory.BlockSize(Text), Size);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetString(fr-FR,87,0)",
                                                  "HiiString.GetString(fr-FR,87," + std::to_string(Size) + ")"}));
  EXPECT_EQ(Take(P, Text), u"Les modifications ont été enregistrées.");
}

TEST_F(HiiStrings, StrGetFailuresAllocateNothingAndDoNotFallBack) {
  struct Case {
    const char *Language;
    EFI_STRING_ID Id;
    EFI_STATUS Expected;
  };
  for (const Case &C : {Case{"de-DE", STR_CHANGES_SAVED, EFI_INVALID_LANGUAGE}, Case{"en-US", 500, EFI_NOT_FOUND}}) {
    SCOPED_TRACE(C.Language);
    SetPlatformLanguage(P, C.Language);
    P.Log.Clear();
    size_t Blocks = P.Memory.LiveBlocks();
    EFI_STRING Text = nullptr;
    EXPECT_EQ(HiiLibStrGet(Handle, C.Id, &Text, nullptr), C.Expected);
    EXPECT_EQ(Text, nullptr);
    EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
    EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetString(" + std::string(C.Language) + "," +
                                                    std::to_string(C.Id) + ",0)"}));
  }
}

// A failed second read releases the buffer, and a probe answered without a
// buffer yields no text (never success): both leave no text and no block.
TEST_F(HiiStrings, StrGetFailedReadsLeaveNoTextAndNoBlock) {
  const struct {
    const char *Name;
    std::optional<EFI_STATUS> ProbeAnswer;  // none: the probe reports the size
    EFI_STATUS SecondRead;
  } Cases[] = {
      {"second read fails", std::nullopt, EFI_DEVICE_ERROR},
      {"probe succeeds without a buffer", EFI_SUCCESS, EFI_SUCCESS},
      {"probe warns without a buffer", EFI_WARN_UNKNOWN_GLYPH, EFI_SUCCESS},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    P.HiiString.ProbeAnswer = Case.ProbeAnswer;
    P.HiiString.GetStringStatus = Case.SecondRead;
    P.HiiString.GetStringFailFrom = 2;
    size_t Blocks = P.Memory.LiveBlocks();
    EFI_STRING Text = nullptr;
    EXPECT_EQ(HiiLibStrGet(Handle, STR_CHANGES_SAVED, &Text, nullptr), EFI_DEVICE_ERROR);
    EXPECT_EQ(Text, nullptr);
    EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
  }
}

TEST_F(HiiStrings, StrGetOutOfMemory) {
  P.Memory.FailNthAllocation(1);
  EFI_STRING Text = nullptr;
  EXPECT_EQ(HiiLibStrGet(Handle, STR_CHANGES_SAVED, &Text, nullptr), EFI_OUT_OF_RESOURCES);
}

TEST_F(HiiStrings, StrSetWritesTheCurrentLanguageOnly) {
  SetPlatformLanguage(P, "ja-JP");
  EXPECT_EQ(HiiLibStrSet(Handle, STR_LOCKOUT_TEXT, u"ロック", nullptr), EFI_SUCCESS);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.SetString(ja-JP,117,ロック)"}));
  EXPECT_EQ(P.HiiString.Text(Handle, "ja-JP", STR_LOCKOUT_TEXT), u"ロック");
  EXPECT_EQ(P.HiiString.Text(Handle, "en-US", STR_LOCKOUT_TEXT), u"");

  // A language the list does not carry: the service's own answer.
  SetPlatformLanguage(P, "de-DE");
  EXPECT_EQ(HiiLibStrSet(Handle, STR_LOCKOUT_TEXT, u"x", nullptr), EFI_NOT_FOUND);
}

TEST(HiiStringsNoService, NotReadyUntilTheServiceAppearsThenKept) {
  host::ServiceSet Services;
  Services.HiiString = false;
  Platform P;
  P.InstallServices(Services);
  P.AddStandardAccounts();
  P.StartDriver();
  EFI_HII_HANDLE Handle = RegisterSecurityStrings(P);
  EFI_STRING Text = nullptr;
  EXPECT_EQ(HiiLibStrGet(Handle, STR_CHANGES_SAVED, &Text, nullptr), EFI_NOT_READY);
  EXPECT_EQ(HiiLibStrSet(Handle, STR_LOCKOUT_TEXT, u"x", nullptr), EFI_NOT_READY);
  EXPECT_EQ(HiiLibStringProtocol(), nullptr);

  // A failed lookup is retried on the next call.
  EFI_HANDLE Installed = nullptr;
  P.Handles.Install(&Installed, &gEfiHiiStringProtocolGuid, &P.HiiString.Protocol);
  ASSERT_EQ(HiiLibStrGet(Handle, STR_CHANGES_SAVED, &Text, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Take(P, Text), u"Changes have been saved.");
  EXPECT_EQ(mHiiLibString, &P.HiiString.Protocol);
}

// ---------------------------------------------------------------- package-wide access

TEST_F(HiiStrings, StrGetAllocReadsThePlatformLanguageIntoOne512ByteBuffer) {
  SetPlatformLanguage(P, "ja-JP");
  size_t Attempts = P.Memory.Attempts();
  EFI_STRING Text = nullptr;
  ASSERT_EQ(HiiLibStrGetAlloc(Handle, STR_CHANGES_SAVED, &Text), EFI_SUCCESS);
  EXPECT_EQ(P.Memory.Attempts() - Attempts, 1u);
  EXPECT_EQ(P.Memory.BlockSize(Text), 512u);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetString(ja-JP,87,512)"}));
  EXPECT_EQ(Take(P, Text), u"変更が保存されました。");
}

TEST_F(HiiStrings, StrGetAllocRegrowsOnceForALongText) {
  std::u16string Long(300, u'w');
  EFI_HII_HANDLE LongList = P.HiiDatabase.Register(
      host::PackageList(gSecurityPackageListGuid, {host::StringPackage("en-US", {u"English", Long})}), nullptr);
  size_t Blocks = P.Memory.LiveBlocks();
  EFI_STRING Text = nullptr;
  ASSERT_EQ(HiiLibStrGetAlloc(LongList, 2, &Text), EFI_SUCCESS);
  EXPECT_EQ(P.Memory.BlockSize(Text), 602u);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks + 1);  // the 512-byte buffer went back
  EXPECT_EQ(HiiCalls(),
            (std::vector<std::string>{"HiiString.GetString(en-US,2,512)", "HiiString.GetString(en-US,2,602)"}));
  EXPECT_EQ(Take(P, Text), Long);
}

TEST_F(HiiStrings, StrGetAllocFallsBackToTheListsFirstLanguageOnly) {
  SetPlatformLanguage(P, "de-DE");
  EFI_STRING Text = nullptr;
  ASSERT_EQ(HiiLibStrGetAlloc(Handle, STR_CHANGES_SAVED, &Text), EFI_SUCCESS);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetString(de-DE,87,512)", "HiiString.GetLanguages(4096)",
                                                  "HiiString.GetString(en-US,87,512)"}));
  EXPECT_EQ(Take(P, Text), u"Changes have been saved.");
}

TEST_F(HiiStrings, StrGetAllocKeepsAnEmptyBufferAfterAFailedRead) {
  EFI_STRING Text = nullptr;
  EXPECT_EQ(HiiLibStrGetAlloc(Handle, 500, &Text), EFI_NOT_FOUND);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetString(en-US,500,512)", "HiiString.GetLanguages(4096)",
                                                  "HiiString.GetString(en-US,500,512)"}));
  ASSERT_NE(Text, nullptr);
  EXPECT_EQ(Take(P, Text), u"");
}

TEST_F(HiiStrings, StrGetAllocArgumentAndMemoryFailures) {
  EXPECT_EQ(HiiLibStrGetAlloc(Handle, STR_CHANGES_SAVED, nullptr), EFI_INVALID_PARAMETER);

  EFI_STRING Text = reinterpret_cast<EFI_STRING>(1);
  P.Memory.FailNthAllocation(1);
  EXPECT_EQ(HiiLibStrGetAlloc(Handle, STR_CHANGES_SAVED, &Text), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Text, nullptr);

  // The regrowth fails: no buffer is left behind.
  EFI_HII_HANDLE LongList = P.HiiDatabase.Register(
      host::PackageList(gSecurityPackageListGuid, {host::StringPackage("en-US", {std::u16string(300, u'w')})}),
      nullptr);
  size_t Blocks = P.Memory.LiveBlocks();
  P.Memory.FailNthAllocation(2);
  EXPECT_EQ(HiiLibStrGetAlloc(LongList, 1, &Text), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Text, nullptr);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
}

TEST(HiiSplitLanguage, WalksAListAndCutsOverlongTags) {
  CHAR8 List[] = "en-US;fr-FR";
  CHAR8 *Cursor = List;
  CHAR8 Tag[LANGUAGE_TAG_SIZE];
  HiiLibSplitLanguage(&Cursor, Tag);
  EXPECT_STREQ(Tag, "en-US");
  EXPECT_EQ(Cursor, List + 6);
  HiiLibSplitLanguage(&Cursor, Tag);
  EXPECT_STREQ(Tag, "fr-FR");
  EXPECT_EQ(*Cursor, 0);
  EXPECT_EQ(Cursor, List + 11);

  std::string Long = std::string(50, 'z') + ";ko-KR";
  std::vector<CHAR8> LongList(Long.begin(), Long.end());
  LongList.push_back(0);
  Cursor = LongList.data();
  HiiLibSplitLanguage(&Cursor, Tag);
  EXPECT_EQ(std::string(Tag), std::string(42, 'z'));
  EXPECT_STREQ(Cursor, "ko-KR");

  CHAR8 *Null = nullptr;
  std::memset(Tag, 'X', sizeof(Tag));
  HiiLibSplitLanguage(&Null, Tag);
  EXPECT_STREQ(Tag, "");
  std::memset(Tag, 'X', sizeof(Tag));
  HiiLibSplitLanguage(nullptr, Tag);
  EXPECT_STREQ(Tag, "");
}

TEST_F(HiiStrings, PackageLanguagesAnswersTheListInOneCall) {
  CHAR8 *List = HiiLibPackageLanguages(Handle);
  ASSERT_NE(List, nullptr);
  EXPECT_STREQ(List, "en-US;fr-FR;ja-JP;ko-KR");
  EXPECT_EQ(P.Memory.BlockSize(List), 4096u);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetLanguages(4096)"}));
  P.BootServices.FreePool(List);
}

TEST_F(HiiStrings, PackageLanguagesRegrowsOnceForALongList) {
  std::vector<std::vector<UINT8>> Packages;
  std::string Expected;
  for (int Index = 0; Index < 120; Index++) {
    std::string Tag = "x-" + std::string(36, 'a' + Index % 26) + std::to_string(1000 + Index);
    Packages.push_back(host::StringPackage(Tag, {u"name"}));
    Expected += (Expected.empty() ? "" : ";") + Tag;
  }
  ASSERT_GT(Expected.size(), 4096u);
  EFI_HII_HANDLE Many = P.HiiDatabase.Register(host::PackageList(gSecurityPackageListGuid, Packages), nullptr);
  size_t Blocks = P.Memory.LiveBlocks();
  CHAR8 *List = HiiLibPackageLanguages(Many);
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(std::string(List), Expected);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks + 1);
  EXPECT_EQ(HiiCalls(),
            (std::vector<std::string>{"HiiString.GetLanguages(4096)",
                                      "HiiString.GetLanguages(" + std::to_string(Expected.size() + 1) + ")"}));
  P.BootServices.FreePool(List);
}

TEST_F(HiiStrings, PackageLanguagesFailureAnswersNullAndKeepsNothing) {
  P.HiiString.GetLanguagesStatus = EFI_DEVICE_ERROR;
  size_t Blocks = P.Memory.LiveBlocks();
  EXPECT_EQ(HiiLibPackageLanguages(Handle), nullptr);
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
}

TEST_F(HiiStrings, SetAllLanguagesWritesEveryLanguageInListOrder) {
  EXPECT_EQ(HiiLibStrSetAllLanguages(Handle, 90, u"Disk"), EFI_SUCCESS);
  EXPECT_EQ(HiiCalls(),
            (std::vector<std::string>{"HiiString.GetLanguages(4096)", "HiiString.SetString(en-US,90,Disk)",
                                      "HiiString.SetString(fr-FR,90,Disk)", "HiiString.SetString(ja-JP,90,Disk)",
                                      "HiiString.SetString(ko-KR,90,Disk)"}));
  for (const char *Language : {"en-US", "fr-FR", "ja-JP", "ko-KR"}) {
    EXPECT_EQ(P.HiiString.Text(Handle, Language, 90), u"Disk") << Language;
  }
}

TEST_F(HiiStrings, SetAllLanguagesStopsAtTheFirstFailure) {
  P.HiiString.SetStringStatus = EFI_OUT_OF_RESOURCES;
  P.HiiString.FailSetStringLanguage = "fr-FR";
  size_t Blocks = P.Memory.LiveBlocks();
  EXPECT_EQ(HiiLibStrSetAllLanguages(Handle, 90, u"Disk"), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetLanguages(4096)", "HiiString.SetString(en-US,90,Disk)",
                                                  "HiiString.SetString(fr-FR,90,Disk)"}));
  EXPECT_EQ(P.HiiString.Text(Handle, "ja-JP", 90), u"");
  EXPECT_EQ(P.Memory.LiveBlocks(), Blocks);
}

TEST_F(HiiStrings, SetAllLanguagesOnAListWithoutStringsSetsNothing) {
  EFI_HII_HANDLE Empty = P.HiiDatabase.Register(host::PackageList(gSecurityPackageListGuid, {}), nullptr);
  EXPECT_EQ(HiiLibStrSetAllLanguages(Empty, 1, u"x"), EFI_SUCCESS);
  EXPECT_EQ(HiiCalls(), (std::vector<std::string>{"HiiString.GetLanguages(4096)"}));
}

}  // namespace
