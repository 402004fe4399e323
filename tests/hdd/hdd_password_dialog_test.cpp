// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the hard-disk password dialog launch.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hdd/hdd_password_dialog.h"
#include "include/guids.h"
#include "support/print.h"
#include "tests/hdd/hdd_fixture.h"

namespace {

class HddDialog : public HddFixture {
 protected:
  EFI_HII_HANDLE UiHandle = nullptr;
  void SetUp() override {
    HddFixture::SetUp();
    UiHandle = P.HddPasswordUi.RegisterPackageList();
  }
  static std::u16string NameOf(UINTN DeviceIndex) {
    CHAR16 Name[HDD_DIALOG_NAME_SIZE / 2];
    FormatHddDialogName(DeviceIndex, Name);
    return Name;
  }
  void ExpectOneUiFormOpened() {
    ASSERT_EQ(P.FormBrowser.Calls.size(), 1u);
    const auto &Call = P.FormBrowser.Calls[0];
    EXPECT_EQ(Call.Handles, std::vector<EFI_HII_HANDLE>{UiHandle});
    EXPECT_TRUE(Call.HasFormSetGuid);
    EXPECT_TRUE(host::SameGuid(Call.FormSetGuid, gHddPasswordUiProtocolGuid));
    EXPECT_EQ(Call.FormId, 0x1001);
    EXPECT_FALSE(Call.HasScreen);
    EXPECT_TRUE(Call.HasActionRequest);
  }
};

const char kFiftyCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
static_assert(sizeof(kFiftyCharacters) == 51, "fifty characters");

}  // namespace

TEST_F(HddDialog, DoesNothingBeforeTheFirstRefresh) {
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_MASTER, 0), EFI_SUCCESS);
  // A refresh whose service call failed has produced no list either.
  P.HddPassword.Status = EFI_DEVICE_ERROR;
  RefreshHddSecurityStatus();
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_USER, 0), EFI_SUCCESS);
  EXPECT_TRUE(P.FormBrowser.Calls.empty());
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 0u);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 0u);
}

TEST_F(HddDialog, OpensTheUiFormForTheDiskAndKind) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0, 0x0001, 0x4444, "First"), Disk(Ide2, 1, 0, 0x0001, 0x4444, "Second")};
  RefreshHddSecurityStatus();
  P.Log.Clear();
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_MASTER, GetHddIndexFromPort(1)), EFI_SUCCESS);
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 2u);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 1u);
  EXPECT_EQ(NameOf(1), u"Second");
  ExpectOneUiFormOpened();
  EXPECT_EQ(P.Log.With("FormBrowser."), std::vector<std::string>{"FormBrowser.SendForm(4097)"});
}

TEST_F(HddDialog, FailingFormIsStillSuccess) {
  RefreshHddSecurityStatus();
  P.FormBrowser.SendFormStatus = EFI_DEVICE_ERROR;
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_USER, 0), EFI_SUCCESS);
  EXPECT_EQ(P.FormBrowser.Calls.size(), 1u);
}

TEST_F(HddDialog, NameIsCutToFortyCharacters) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0, 1, 0, kFiftyCharacters), Disk(Ide2, 1, 0, 1, 0, "ST500DM002-1BD142"),
                           Disk(Ide2, 0, 1, 1, 0, nullptr)};
  RefreshHddSecurityStatus();
  std::u16string Fifty(kFiftyCharacters, kFiftyCharacters + 50);
  EXPECT_EQ(NameOf(0), Fifty.substr(0, 40));
  EXPECT_EQ(NameOf(1), u"ST500DM002-1BD142");
  EXPECT_EQ(NameOf(2), u"<null string>");  // an entry without a name
  EXPECT_EQ(NameOf(3), u"<null string>");  // beyond the entries the service filled
}

// The dialog widens the name itself; it must give exactly what the print
// routine's "%a" gives in the same 82-byte buffer.
TEST_F(HddDialog, NameIsThePrintRoutinesAsciiConversion) {
  const std::string Names[] = {"", "A", std::string(39, 'x'), std::string(40, 'y'), std::string(41, 'z'),
                               "\x80\xFF high bytes", kFiftyCharacters};
  for (const std::string &Text : Names) {
    P.HddPassword.Devices = {Disk(Ide2, 0, 0, 1, 0, Text.c_str())};
    RefreshHddSecurityStatus();
    CHAR16 Printed[HDD_DIALOG_NAME_SIZE / 2];
    UINTN Written = PrintToBuffer(Printed, HDD_DIALOG_NAME_SIZE, u"%a", (UINT64)(UINTN)Text.c_str());
    EXPECT_EQ(NameOf(0), std::u16string(Printed)) << Text;
    EXPECT_EQ(NameOf(0).size() + 1, Written) << Text;
  }
  CHAR16 Printed[HDD_DIALOG_NAME_SIZE / 2];
  PrintToBuffer(Printed, HDD_DIALOG_NAME_SIZE, u"%a", (UINT64)0);
  EXPECT_EQ(NameOf(5), std::u16string(Printed));
}

TEST_F(HddDialog, PortWithoutADiskOpensDeviceZero) {
  P.HddPassword.Devices = {Disk(Ide2, 1, 0, 1, 0, "On port 1"), Disk(Ide2, 0, 0, 1, 0, "On port 0")};
  RefreshHddSecurityStatus();
  UINTN Index = GetHddIndexFromPort(3);
  EXPECT_EQ(Index, 0u);
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_USER, Index), EFI_SUCCESS);
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 1u);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 0u);
  EXPECT_EQ(NameOf(Index), u"On port 1");
  ExpectOneUiFormOpened();
}

TEST_F(HddDialog, NoDiskAtAllShowsNullString) {
  EXPECT_EQ(RefreshHddSecurityStatus(), 0u);
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_USER, GetHddIndexFromPort(0)), EFI_SUCCESS);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 0u);
  EXPECT_EQ(NameOf(0), u"<null string>");
  ExpectOneUiFormOpened();
}

TEST_F(HddDialog, FailedRefreshKeepsNamingTheListedDisks) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0, 1, 0, "Listed")};
  RefreshHddSecurityStatus();
  P.HddPassword.Status = EFI_DEVICE_ERROR;
  RefreshHddSecurityStatus();
  EXPECT_EQ(NameOf(GetHddIndexFromPort(0)), u"Listed");
  EXPECT_EQ(LaunchHddPasswordDialog(HDD_PASSWORD_KIND_USER, 0), EFI_SUCCESS);
  ExpectOneUiFormOpened();
}

TEST_F(HddDialog, UiPackageListHoldsANameStringPerLanguage) {
  // The platform side of the dialog: the UI service's list is registered with the HII database.
  const host::RegisteredPackageList *List = P.HiiDatabase.Find(UiHandle);
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(P.HddPasswordUi.Protocol.UiHiiHandle, UiHandle);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceNameStringId, 3);
  const auto &Bytes = List->Bytes;
  ASSERT_GE(Bytes.size(), sizeof(EFI_HII_PACKAGE_LIST_HEADER));
  EFI_HII_PACKAGE_LIST_HEADER Header;
  std::memcpy(&Header, Bytes.data(), sizeof(Header));
  EXPECT_EQ(Header.PackageLength, Bytes.size());
  std::vector<std::string> Languages;
  size_t Offset = sizeof(Header);
  UINT32 Type = 0;
  while (Offset + 4 <= Bytes.size()) {
    UINT32 Word;
    std::memcpy(&Word, &Bytes[Offset], 4);
    Type = Word >> 24;
    if (Type == EFI_HII_PACKAGE_STRINGS) {
      Languages.emplace_back(reinterpret_cast<const char *>(&Bytes[Offset + 46]));
    }
    ASSERT_GE(Word & 0xFFFFFF, 4u);
    Offset += Word & 0xFFFFFF;
  }
  EXPECT_EQ(Offset, Bytes.size());
  EXPECT_EQ(Type, static_cast<UINT32>(EFI_HII_PACKAGE_END));
  EXPECT_EQ(Languages, (std::vector<std::string>{"en-US", "fr-FR"}));
}
