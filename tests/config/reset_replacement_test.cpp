// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the ResetSystem replacement.
#include "config/reset_replacement.h"

#include <gtest/gtest.h>

#include "tests/config/config_test_support.h"

namespace {

using namespace cfgtest;

class ResetTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    std::vector<UINT8> Setup = Pattern(868, 3);
    Setup[703] = 0;
    Put(u"Setup", Setup);
  }
  host::ServiceSet Services() override {
    host::ServiceSet Set;
    Set.PlatformReset = WithPlatformReset;
    return Set;
  }
  // Routes a "Setup" string that sets the TXT switch to Value.
  void SwitchTxt(UINT8 Value) {
    ASSERT_EQ(Route(Header(gSetupVariableGuid, u"Setup") + ResponseElement(703, {Value})).Status, EFI_SUCCESS);
  }
  EFI_RESET_SYSTEM Current() const { return P.RuntimeServices.ResetSystem; }
  bool CrcValid() const { return P.TableCrcValid(P.RuntimeServices.Hdr); }
  bool WithPlatformReset = true;
  int Cookie = 0;
};

class ResetWithoutPlatformProtocol : public ResetTest {
 protected:
  host::ServiceSet Services() override {
    host::ServiceSet Set;
    Set.PlatformReset = false;
    return Set;
  }
};

TEST_F(ResetTest, TxtChangeReplacesTheRuntimeServiceAndKeepsTheTableValid) {
  ASSERT_TRUE(CrcValid());
  EXPECT_EQ(mSavedResetSystem, nullptr);
  SwitchTxt(1);
  EXPECT_EQ(Current(), SecurityResetSystem);
  EXPECT_EQ(mSavedResetSystem, P.FirmwareResetSystem);
  EXPECT_TRUE(CrcValid());
  ASSERT_EQ(P.Events.size(), 1u);
  EXPECT_EQ(P.Events[0]->Type, EVT_SIGNAL_EXIT_BOOT_SERVICES);
}

TEST_F(ResetTest, ResetGoesToThePlatformProtocolAsPowerCycle) {
  SwitchTxt(1);
  P.Log.Clear();
  P.RuntimeServices.ResetSystem(EfiResetWarm, EFI_SUCCESS, 0, nullptr);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{"PlatformReset.ResetPlatform(2)"}));
  EXPECT_EQ(P.PlatformReset.Requests, (std::vector<UINT8>{PLATFORM_RESET_REQUEST_POWER_CYCLE}));
  EXPECT_TRUE(P.Resets.empty());
}

TEST_F(ResetWithoutPlatformProtocol, ResetGoesToTheFirmwareWithTheCallersArguments) {
  SwitchTxt(1);
  P.Log.Clear();
  P.RuntimeServices.ResetSystem(EfiResetShutdown, EFI_ABORTED, sizeof(Cookie), &Cookie);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{"RuntimeServices.ResetSystem"}));
  ASSERT_EQ(P.Resets.size(), 1u);
  EXPECT_EQ(P.Resets[0].Type, EfiResetShutdown);
  EXPECT_EQ(P.Resets[0].Status, EFI_ABORTED);
  EXPECT_EQ(P.Resets[0].DataSize, sizeof(Cookie));
  EXPECT_EQ(P.Resets[0].Data, &Cookie);
}

EFI_STATUS EFIAPI RefusingReset(PLATFORM_RESET_PROTOCOL *, UINT8 Request) {
  host::Platform::Active().Log.Add("RefusingReset(" + std::to_string(Request) + ")");
  return EFI_DEVICE_ERROR;
}

// A reset service does not return: a platform protocol that refuses leaves
// the reset to the firmware's own service.
TEST_F(ResetTest, RefusedPlatformResetFallsBackToTheFirmware) {
  P.PlatformReset.Protocol.ResetPlatform = RefusingReset;
  SwitchTxt(1);
  P.Log.Clear();
  P.RuntimeServices.ResetSystem(EfiResetCold, EFI_SUCCESS, 0, nullptr);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{"RefusingReset(2)", "RuntimeServices.ResetSystem"}));
  ASSERT_EQ(P.Resets.size(), 1u);
  EXPECT_EQ(P.Resets[0].Type, EfiResetCold);
}

TEST_F(ResetTest, LaterChangesKeepTheFirmwareServiceSaved) {
  SwitchTxt(1);
  SwitchTxt(0);
  SwitchTxt(1);
  EXPECT_EQ(Current(), SecurityResetSystem);
  EXPECT_EQ(mSavedResetSystem, P.FirmwareResetSystem);
  EXPECT_EQ(P.Events.size(), 1u);
  EXPECT_TRUE(CrcValid());
}

VOID EFIAPI ChainedReset(EFI_RESET_TYPE, EFI_STATUS, UINTN, VOID *) {}

// Someone else replaced the service after this driver: a further TXT change
// must not save that service, which may lead back to SecurityResetSystem.
TEST_F(ResetTest, ServiceChainedInFrontIsNeverSaved) {
  SwitchTxt(1);
  P.RuntimeServices.ResetSystem = ChainedReset;
  SwitchTxt(0);
  EXPECT_EQ(mSavedResetSystem, P.FirmwareResetSystem);
  EXPECT_EQ(Current(), ChainedReset);
  // At the end of boot services the other service stays where it is.
  P.SignalExitBootServices();
  EXPECT_EQ(Current(), ChainedReset);
}

TEST_F(ResetTest, ExitBootServicesRestoresTheFirmwareService) {
  SwitchTxt(1);
  P.SignalExitBootServices();
  EXPECT_EQ(Current(), P.FirmwareResetSystem);
  EXPECT_TRUE(CrcValid());
  P.Log.Clear();
  P.RuntimeServices.ResetSystem(EfiResetWarm, EFI_SUCCESS, 0, nullptr);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{"RuntimeServices.ResetSystem"}));
}

// Without the event that takes it out again, the replacement is not installed.
TEST_F(ResetTest, NoReplacementWithoutTheExitBootServicesEvent) {
  P.CreateEventStatus = EFI_OUT_OF_RESOURCES;
  SwitchTxt(1);
  EXPECT_EQ(Current(), P.FirmwareResetSystem);
  EXPECT_EQ(mSavedResetSystem, nullptr);
  EXPECT_TRUE(CrcValid());
  EXPECT_EQ(Read(u"Setup")[703], 1);  // the setting itself is stored
  EXPECT_EQ(Read(u"Setup")[377], 1);
  // The next change, with events available again, installs it.
  P.CreateEventStatus = EFI_SUCCESS;
  SwitchTxt(0);
  EXPECT_EQ(Current(), SecurityResetSystem);
  EXPECT_TRUE(CrcValid());
}

TEST_F(ResetTest, UnchangedSwitchLeavesTheServiceAlone) {
  SwitchTxt(0);
  EXPECT_EQ(Current(), P.FirmwareResetSystem);
  EXPECT_TRUE(P.Events.empty());
}

}  // namespace
