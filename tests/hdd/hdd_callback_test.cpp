// SPDX-License-Identifier: BSD-2-Clause-Patent
// The disk questions of the page end to end: retrieval of HddCount enumerates the
// disks, the port pair's action opens the UI service's form for the right disk
// and password kind, and the disk's name reaches every language of its list.
#include <string>

#include "callback/security_callback.h"
#include "entry/driver_init.h"
#include "forms/security_page_ids.h"
#include "include/guids.h"
#include "tests/hdd/hdd_fixture.h"

namespace {

class HddCallback : public HddFixture {
 protected:
  EFI_STATUS Call(EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, EFI_IFR_TYPE_VALUE &Value) {
    EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
    return mSecurityConfigAccess.Callback(&mSecurityConfigAccess, Action, Question, EFI_IFR_TYPE_NUM_SIZE_8, &Value,
                                          &Request);
  }
};

TEST_F(HddCallback, MasterPasswordOfPortThreeOpensTheDialogForItsDisk) {
  EFI_HII_HANDLE UiList = P.HddPasswordUi.RegisterPackageList({"en-US", "fr-FR"});
  P.HddPassword.Devices = {Disk(Ide2, 0, 0, 0x0001, 0x4444, "First disk"),
                           Disk(Ide2, 1, 1, 0x0003, 0x5858, "Disk on the secondary slave")};
  EFI_IFR_TYPE_VALUE Value{};
  ASSERT_EQ(Call(EFI_BROWSER_ACTION_RETRIEVE, SecurityQuestion::HddCount, Value), EFI_SUCCESS);
  EXPECT_EQ(Value.u8, 2);
  ASSERT_EQ(Call(EFI_BROWSER_ACTION_RETRIEVE, SecurityQuestion::HddPort3State, Value), EFI_SUCCESS);
  EXPECT_EQ(Value.u8, 2);  // port 3: user and master password

  ASSERT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, SecurityQuestion::HddPort3UserPassword + 1, Value), EFI_SUCCESS);  // port 3, master password
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 2u);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 1u);
  ASSERT_EQ(P.FormBrowser.Calls.size(), 1u);
  const auto &SendForm = P.FormBrowser.Calls[0];
  EXPECT_EQ(SendForm.PasswordKind, 2u);  // as the UI service held them when the form opened
  EXPECT_EQ(SendForm.DeviceIndex, 1u);
  EXPECT_EQ(SendForm.DeviceName, u"Disk on the secondary slave");
  EXPECT_EQ(SendForm.FormId, 0x1001);
  EXPECT_TRUE(host::SameGuid(SendForm.FormSetGuid, gHddPasswordUiProtocolGuid));
  EXPECT_EQ(SendForm.Handles, std::vector<EFI_HII_HANDLE>{UiList});
  for (const char *Language : {"en-US", "fr-FR"}) {
    EXPECT_EQ(P.HiiString.Text(UiList, Language, P.HddPasswordUi.Protocol.DeviceNameStringId),
              std::u16string(u"Disk on the secondary slave"))
        << Language;
  }
}

TEST_F(HddCallback, UserPasswordOfPortZeroWithoutADiskThereOpensDeviceZero) {
  P.HddPasswordUi.RegisterPackageList({"en-US"});
  P.HddPassword.Devices = {Disk(Ide5, 0, 0)};  // port 4
  EFI_IFR_TYPE_VALUE Value{};
  ASSERT_EQ(Call(EFI_BROWSER_ACTION_RETRIEVE, SecurityQuestion::HddCount, Value), EFI_SUCCESS);
  // Only a change of the question opens the dialog.
  for (EFI_BROWSER_ACTION Action : {EFI_BROWSER_ACTION_RETRIEVE, EFI_BROWSER_ACTION_FORM_OPEN,
                                    EFI_BROWSER_ACTION_FORM_CLOSE, EFI_BROWSER_ACTION_CHANGING, EFI_BROWSER_ACTION_SUBMITTED}) {
    ASSERT_EQ(Call(Action, SecurityQuestion::HddPort0UserPassword, Value), EFI_SUCCESS);
  }
  EXPECT_TRUE(P.FormBrowser.Calls.empty());
  ASSERT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, SecurityQuestion::HddPort0UserPassword, Value), EFI_SUCCESS);
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 1u);
  EXPECT_EQ(P.HddPasswordUi.Protocol.DeviceIndex, 0u);
  ASSERT_EQ(P.FormBrowser.Calls.size(), 1u);
  EXPECT_EQ(P.FormBrowser.Calls[0].PasswordKind, 1u);
  EXPECT_EQ(P.FormBrowser.Calls[0].DeviceIndex, 0u);
}

TEST_F(HddCallback, ActionBeforeAnyRetrievalOpensNothing) {
  P.HddPasswordUi.RegisterPackageList({"en-US"});
  EFI_IFR_TYPE_VALUE Value{};
  ASSERT_EQ(Call(EFI_BROWSER_ACTION_CHANGED, SecurityQuestion::HddPort0UserPassword + 1, Value), EFI_SUCCESS);
  EXPECT_TRUE(P.FormBrowser.Calls.empty());
  EXPECT_EQ(P.HddPasswordUi.Protocol.PasswordKind, 0u);
}

}  // namespace
