// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of disk enumeration, port placement and port states.
#include <gtest/gtest.h>

#include "hdd/hdd_security_status.h"
#include "support/service_context.h"
#include "tests/hdd/hdd_fixture.h"

using Bytes = std::vector<UINT8>;
using Ports = std::vector<UINT16>;

// ---------------------------------------------------------------- placement

TEST_F(HddFixture, DisksArePlacedByTheirDevicePathInPortOrder) {
  // Listed out of port order; the fallback (Channel) would give 1, 0, 0, 1, 0, 0.
  P.HddPassword.Devices = {Disk(Ide2, 1, 1), Disk(Ide2, 0, 0), Disk(Ide5, 1, 0),
                           Disk(Ide2, 1, 0), Disk(Ide5, 0, 0), Disk(Ide2, 0, 1)};
  EXPECT_EQ(RefreshHddSecurityStatus(), 6u);
  EXPECT_EQ(PortsOfDevices(), (Ports{3, 0, 5, 1, 4, 2}));
  EXPECT_EQ(PortStates(), (Bytes{0, 0, 0, 0, 0, 0}));
}

TEST_F(HddFixture, SecondarySlaveMatchesThePortThreeTextAfterAByteRead) {
  HDD_PASSWORD_DEVICE_INFO Device = Disk(Ide2, 1, 1);
  UINT16 Port = 0xFFFF;
  P.Log.Clear();
  EXPECT_EQ(GetHddPortNumber(&Device, &Port), EFI_SUCCESS);
  EXPECT_EQ(Port, 3);
  // 64 configuration bytes at width 8, then the table texts in port order up to the match.
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{
                             "PciIo.Pci.Read(0,0,64)",
                             "DevicePathFromText.ConvertTextToDevicePath(PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Master,0x0))",
                             "DevicePathFromText.ConvertTextToDevicePath(PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Master,0x0))",
                             "DevicePathFromText.ConvertTextToDevicePath(PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Slave,0x0))",
                             "DevicePathFromText.ConvertTextToDevicePath(PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Slave,0x0))",
                         }));
}

TEST(HddPortText, SixPositionsInPortOrderThenNoMore) {
  const char16_t *const Expected[HDD_PORT_COUNT] = {
      u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Master,0x0)",   u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Master,0x0)",
      u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Slave,0x0)",    u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Slave,0x0)",
      u"PciRoot(0x0)/Pci(0x1f,0x5)/Ata(Primary,Master,0x0)",   u"PciRoot(0x0)/Pci(0x1f,0x5)/Ata(Secondary,Master,0x0)"};
  for (UINT16 Port = 0; Port < HDD_PORT_COUNT; Port++) {
    CHAR16 Text[HDD_PORT_TEXT_LENGTH];
    ASSERT_TRUE(HddPortDevicePathText(Port, Text));
    EXPECT_EQ(std::u16string(Text), Expected[Port]) << Port;
  }
  CHAR16 Untouched[HDD_PORT_TEXT_LENGTH] = {u'x', 0};
  EXPECT_FALSE(HddPortDevicePathText(HDD_PORT_COUNT, Untouched));
  EXPECT_EQ(Untouched[0], u'x');
}

TEST_F(HddFixture, DisksThatMatchNoPositionArePlacedAtTheirChannel) {
  EFI_HANDLE Ahci = AddController(0x1F, 2, 0x06);  // same path as port 0-3, but AHCI mode
  host::PciControllerFake &Unreadable = host::AddController(P, host::PciControllerPath(0x1F, 2),
                                                            host::PciConfigWithClass(1, 1));
  Unreadable.ReadStatus = EFI_DEVICE_ERROR;
  EFI_HANDLE NoPciIo =
      host::AddController(P, host::PciControllerPath(0x1F, 2), host::PciConfigWithClass(1, 1), false).Handle;
  EFI_HANDLE OtherFunction = AddController(0x1F, 3, PCI_CLASS_MASS_STORAGE_IDE);

  struct Case {
    const char *What;
    HDD_PASSWORD_DEVICE_INFO Device;
    EFI_STATUS Status;
  } Cases[] = {
      {"AHCI sub-class 0x06", Disk(Ahci, 1, 1), EFI_UNSUPPORTED},
      {"configuration read fails", Disk(Unreadable.Handle, 0, 1), EFI_UNSUPPORTED},
      {"no PCI I/O", Disk(NoPciIo, 1, 0), EFI_UNSUPPORTED},
      {"path in no table text", Disk(OtherFunction, 0, 0), EFI_NOT_FOUND},
      {"channel beyond the six ports", Disk(Ahci, 7, 0), EFI_UNSUPPORTED},
      {"channel just past the six ports", Disk(Ahci, 6, 0), EFI_UNSUPPORTED},
  };
  for (const Case &C : Cases) {
    UINT16 Port = 0xABCD;
    EXPECT_EQ(GetHddPortNumber(&C.Device, &Port), C.Status) << C.What;
    EXPECT_EQ(Port, 0xABCD) << C.What;
    P.HddPassword.Devices.push_back(C.Device);
  }
  UINT16 Port;
  EXPECT_EQ(GetHddPortNumber(nullptr, &Port), EFI_INVALID_PARAMETER);

  EXPECT_EQ(RefreshHddSecurityStatus(), 6u);
  EXPECT_EQ(PortsOfDevices(), (Ports{1, 0, 1, 0, 7, 6}));
  // Channels 7 and 6 are recorded but change no state byte.
  EXPECT_EQ(PortStates(), (Bytes{0, 0, 5, 5, 5, 5}));
}

TEST_F(HddFixture, TextConversionNeedsTheService) {
  EFI_DEVICE_PATH_PROTOCOL *Path = nullptr;
  EXPECT_EQ(TextToDevicePath(u"Pci(0x1f,0x2)", nullptr), EFI_INVALID_PARAMETER);
  // Unparsable text converts to nothing; it is not an error of the conversion.
  EXPECT_EQ(TextToDevicePath(u"Floppy(0)", &Path), EFI_SUCCESS);
  EXPECT_EQ(Path, nullptr);
  EXPECT_EQ(TextToDevicePath(u"Pci(0x1f,0x2)", &Path), EFI_SUCCESS);
  ASSERT_NE(Path, nullptr);
  EXPECT_TRUE(P.Memory.Owns(Path));
  gBS->FreePool(Path);
}

TEST(HddWithoutPathText, DisksFallBackToTheirChannel) {
  host::Platform P;
  host::ServiceSet Services;
  Services.DevicePathFromText = false;
  P.InstallServices(Services);
  P.AddStandardAccounts();
  ASSERT_FALSE(P.StartDriver().Exited);
  EFI_HANDLE Ide = host::AddController(P, host::PciControllerPath(0x1F, 2), host::PciConfigWithClass(1, 1)).Handle;
  EFI_DEVICE_PATH_PROTOCOL *Path = nullptr;
  EXPECT_EQ(TextToDevicePath(u"Pci(0x1f,0x2)", &Path), EFI_NOT_READY);

  HDD_PASSWORD_DEVICE_INFO Device{Ide, nullptr, 1, 1, 0x0001, 0};
  UINT16 Port = 0;
  EXPECT_EQ(GetHddPortNumber(&Device, &Port), EFI_NOT_FOUND);
  P.HddPassword.Devices = {Device};
  size_t Before = P.Memory.LiveBytes();
  EXPECT_EQ(RefreshHddSecurityStatus(), 1u);
  EXPECT_EQ(mHddPortOfDevice[0], 1);
  EXPECT_EQ(P.Memory.LiveBytes(), Before + 6 * sizeof(HDD_PASSWORD_DEVICE_INFO) + sizeof(UINT16));
}

// ---------------------------------------------------------------- states

TEST_F(HddFixture, PortStateFollowsSecurityStatusAndMasterIdentifier) {
  struct Case {
    UINT16 SecurityStatus;
    UINT16 MasterPasswordId;
    UINT8 State;
  } Cases[] = {
      {0x0019, 0x5858, 6}, {0x0019, 0x4444, 6},  // frozen wins over count expired
      {0x0013, 0x5858, 7}, {0x0013, 0x4444, 7},  // count expired wins over the passwords
      {0x0000, 0x5858, 4}, {0x0000, 0x4444, 4},  // no security feature, whatever else
      {0x0003, 0x5858, 2}, {0x0003, 0x4444, 1},  // user password, with or without master
      {0x0001, 0x5858, 3}, {0x0001, 0x4444, 0},  // no user password, with or without master
  };
  for (const Case &C : Cases) {
    P.HddPassword.Devices = {Disk(Ide2, 0, 0, C.SecurityStatus, C.MasterPasswordId)};
    ASSERT_EQ(RefreshHddSecurityStatus(), 1u);
    EXPECT_EQ(mHddPortState[0], C.State) << std::hex << "status 0x" << C.SecurityStatus << " master 0x"
                                         << C.MasterPasswordId;
  }
}

TEST_F(HddFixture, NoDisksLeaveEveryPortAtNoDisk) {
  EXPECT_EQ(GetHddIndexFromPort(0), 0u);  // before any list exists
  EXPECT_EQ(RefreshHddSecurityStatus(), 0u);
  EXPECT_EQ(mHddDeviceCount, 0u);
  EXPECT_NE(mHddDeviceList, nullptr);
  EXPECT_EQ(PortStates(), (Bytes{5, 5, 5, 5, 5, 5}));
  EXPECT_EQ(GetHddIndexFromPort(0), 0u);
}

TEST_F(HddFixture, PortsWithoutADiskKeepTheirLastState) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0, 0x0003), Disk(Ide2, 1, 0, 0x0000)};
  RefreshHddSecurityStatus();
  P.HddPassword.Devices = {Disk(Ide2, 1, 0, 0x0003)};
  RefreshHddSecurityStatus();
  EXPECT_EQ(PortStates(), (Bytes{1, 1, 5, 5, 5, 5}));
}

TEST_F(HddFixture, TwoDisksOnOnePortLaterDecidesStateEarlierIsFound) {
  P.HddPassword.Devices = {Disk(Ide2, 1, 0, 0x0001), Disk(Ide2, 0, 0, 0x0000), Disk(Ide2, 0, 0, 0x0003, 0x5858)};
  ASSERT_EQ(RefreshHddSecurityStatus(), 3u);
  EXPECT_EQ(PortsOfDevices(), (Ports{1, 0, 0}));
  EXPECT_EQ(mHddPortState[0], 2);
  EXPECT_EQ(GetHddIndexFromPort(0), 1u);
  EXPECT_EQ(GetHddIndexFromPort(1), 0u);
  EXPECT_EQ(GetHddIndexFromPort(4), 0u);  // no disk there
}

// ---------------------------------------------------------------- list lifetime and bounds

TEST_F(HddFixture, CountAboveTheRoomGivenIsClampedToSix) {
  for (UINT16 Port = 0; Port < 6; Port++) {
    P.HddPassword.Devices.push_back(Port < 4 ? Disk(Ide2, Port & 1, Port >> 1) : Disk(Ide5, Port & 1, 0));
  }
  P.HddPassword.OverrideCount = true;
  P.HddPassword.ReportedCount = 40;
  EXPECT_EQ(RefreshHddSecurityStatus(), 6u);
  EXPECT_EQ(mHddDeviceCount, 6u);
  EXPECT_EQ(P.Memory.BlockSize(mHddPortOfDevice), 6 * sizeof(UINT16));
  EXPECT_EQ(PortsOfDevices(), (Ports{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(GetHddIndexFromPort(9), 0u);  // the scan stays within the six entries
}

TEST_F(HddFixture, RepeatedRefreshesReleaseTheListsTheyReplace) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0), Disk(Ide5, 1, 0)};
  size_t Before = P.Memory.LiveBytes();
  RefreshHddSecurityStatus();
  size_t AfterOne = P.Memory.LiveBytes();
  // Only the two lists stay: every path built or converted while matching is freed.
  EXPECT_EQ(AfterOne, Before + 6 * sizeof(HDD_PASSWORD_DEVICE_INFO) + 2 * sizeof(UINT16));
  for (int Refresh = 1; Refresh < 50; Refresh++) {
    RefreshHddSecurityStatus();
  }
  EXPECT_EQ(P.Memory.LiveBytes(), AfterOne);
  EXPECT_EQ(P.Memory.BadFrees(), 0u);
  EXPECT_EQ(PortsOfDevices(), (Ports{0, 5}));
}

TEST_F(HddFixture, FailedServiceCallKeepsThePreviousListWhole) {
  P.HddPassword.Devices = {Disk(Ide2, 1, 1, 0x0003, 0x4444, "Kept disk"), Disk(Ide2, 0, 0)};
  ASSERT_EQ(RefreshHddSecurityStatus(), 2u);
  HDD_PASSWORD_DEVICE_INFO *List = mHddDeviceList;
  size_t Live = P.Memory.LiveBytes();

  P.HddPassword.Status = EFI_DEVICE_ERROR;
  P.HddPassword.Devices = {Disk(Ide2, 1, 0, 0x0000)};
  EXPECT_EQ(RefreshHddSecurityStatus(), 2u);
  EXPECT_EQ(mHddDeviceList, List);
  EXPECT_STREQ(mHddDeviceList[0].DeviceName, "Kept disk");
  EXPECT_EQ(PortsOfDevices(), (Ports{3, 0}));
  EXPECT_EQ(PortStates(), (Bytes{0, 5, 5, 1, 5, 5}));
  EXPECT_EQ(P.Memory.LiveBytes(), Live);
}

TEST_F(HddFixture, FailedFirstServiceCallLeavesNoList) {
  P.HddPassword.Status = EFI_DEVICE_ERROR;
  size_t Live = P.Memory.LiveBytes();
  EXPECT_EQ(RefreshHddSecurityStatus(), 0u);
  EXPECT_EQ(mHddDeviceList, nullptr);
  EXPECT_EQ(P.Memory.LiveBytes(), Live);
}

TEST_F(HddFixture, NoPoolForTheLists) {
  P.HddPassword.Devices = {Disk(Ide2, 0, 0)};
  ASSERT_EQ(RefreshHddSecurityStatus(), 1u);
  HDD_PASSWORD_DEVICE_INFO *List = mHddDeviceList;
  size_t Live = P.Memory.LiveBytes();
  P.HddPassword.Devices = {Disk(Ide2, 1, 0), Disk(Ide2, 0, 1)};

  // No port array: the count is reported as 0 and the previous list stays in use.
  P.Memory.FailNthAllocation(2);
  EXPECT_EQ(RefreshHddSecurityStatus(), 0u);
  EXPECT_EQ(mHddDeviceList, List);
  EXPECT_EQ(mHddDeviceCount, 1u);
  EXPECT_EQ(P.Memory.LiveBytes(), Live);

  // No device list: the service is not asked.
  P.Memory.FailNthAllocation(1);
  P.Log.Clear();
  EXPECT_EQ(RefreshHddSecurityStatus(), 1u);
  EXPECT_TRUE(P.Log.With("HddPassword.").empty());
  EXPECT_EQ(P.Memory.LiveBytes(), Live);
}
