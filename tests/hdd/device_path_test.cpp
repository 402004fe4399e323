// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the device-path routines.
#include <gtest/gtest.h>

#include "hdd/device_path_nodes.h"
#include "hostplatform/pci_io.h"
#include "hostplatform/platform.h"
#include "support/service_context.h"

using Bytes = std::vector<UINT8>;

namespace {

const EFI_DEVICE_PATH_PROTOCOL *AsPath(const Bytes &Path) {
  return reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Path.data());
}

Bytes Copy(const EFI_DEVICE_PATH_PROTOCOL *Path, size_t Size) {
  const UINT8 *Start = reinterpret_cast<const UINT8 *>(Path);
  return Bytes(Start, Start + Size);
}

const Bytes kAtaSecondarySlave = {MESSAGING_DEVICE_PATH, MSG_ATAPI_DP, 8, 0, 1, 1, 0, 0};
const Bytes kEnd = {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0};

class DevicePath : public ::testing::Test {
 protected:
  host::Platform P;
  void SetUp() override {
    P.InstallServices();
    P.AddStandardAccounts();
    ASSERT_FALSE(P.StartDriver().Exited);
  }
};

}  // namespace

TEST_F(DevicePath, SizeCountsEveryNodeAndTheEndNode) {
  EXPECT_EQ(DevicePathSize(nullptr), 0u);
  EXPECT_EQ(DevicePathSize(AsPath(kEnd)), 4u);
  EXPECT_EQ(DevicePathSize(AsPath(host::PciControllerPath(0x1F, 2))), 22u);
  // A node shorter than its header cannot be walked.
  EXPECT_EQ(DevicePathSize(AsPath(Bytes{HARDWARE_DEVICE_PATH, HW_PCI_DP, 2, 0, 0, 0})), 0u);
}

TEST_F(DevicePath, AppendingANodeReplacesTheEndNode) {
  Bytes Controller = host::PciControllerPath(0x1F, 2);
  EFI_DEVICE_PATH_PROTOCOL *Disk = AppendDevicePathNode(AsPath(Controller), AsPath(kAtaSecondarySlave));
  ASSERT_NE(Disk, nullptr);
  EXPECT_EQ(P.Memory.BlockSize(Disk), 30u);
  Bytes Expected(Controller.begin(), Controller.end() - 4);
  Expected.insert(Expected.end(), kAtaSecondarySlave.begin(), kAtaSecondarySlave.end());
  Expected.insert(Expected.end(), kEnd.begin(), kEnd.end());
  EXPECT_EQ(Copy(Disk, 30), Expected);
  gBS->FreePool(Disk);

  EFI_DEVICE_PATH_PROTOCOL *Alone = AppendDevicePathNode(nullptr, AsPath(kAtaSecondarySlave));
  ASSERT_NE(Alone, nullptr);
  Expected = kAtaSecondarySlave;
  Expected.insert(Expected.end(), kEnd.begin(), kEnd.end());
  EXPECT_EQ(Copy(Alone, 12), Expected);
  gBS->FreePool(Alone);

  P.Memory.FailNthAllocation(1);
  EXPECT_EQ(AppendDevicePathNode(AsPath(Controller), AsPath(kAtaSecondarySlave)), nullptr);
}

TEST_F(DevicePath, EqualityNeedsSameSizeAndBytes) {
  Bytes Path = host::PciControllerPath(0x1F, 2);
  Bytes OtherFunction = host::PciControllerPath(0x1F, 5);
  Bytes Longer = host::PciControllerPath(0x1F, 2);
  Longer.insert(Longer.end() - 4, kAtaSecondarySlave.begin(), kAtaSecondarySlave.end());
  Bytes Trailing = Path;
  Trailing.push_back(0xEE);  // bytes after the end node do not count

  EXPECT_TRUE(IsDevicePathEqual(AsPath(Path), AsPath(host::PciControllerPath(0x1F, 2))));
  EXPECT_TRUE(IsDevicePathEqual(AsPath(Path), AsPath(Trailing)));
  EXPECT_FALSE(IsDevicePathEqual(AsPath(Path), AsPath(OtherFunction)));
  EXPECT_FALSE(IsDevicePathEqual(AsPath(Path), AsPath(Longer)));
  EXPECT_FALSE(IsDevicePathEqual(AsPath(Path), nullptr));
  EXPECT_FALSE(IsDevicePathEqual(nullptr, nullptr));
}

// ---------------------------------------------------------------- the platform's text conversion

TEST_F(DevicePath, PlatformConvertsThePortTextsIntoUefiNodes) {
  const Bytes Expected = {
      ACPI_DEVICE_PATH, ACPI_DP, 12, 0, 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0,  // HID PNP0A03, UID 0
      HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 0x02, 0x1F,                    // function 2, device 0x1F
      MESSAGING_DEVICE_PATH, MSG_ATAPI_DP, 8, 0, 1, 1, 0, 0,                // secondary, slave, LUN 0
      END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0};
  EXPECT_EQ(host::DevicePathFromText(u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Slave,0x0)"), Expected);
  EXPECT_EQ(host::DevicePathFromText(u"PciRoot(0)/Pci(31,2)/Ata(1,1,0)"), Expected);
  EXPECT_EQ(host::DevicePathFromText(u"Ata(Primary,Master,0x3)"),
            (Bytes{MESSAGING_DEVICE_PATH, MSG_ATAPI_DP, 8, 0, 0, 0, 3, 0, END_DEVICE_PATH_TYPE,
                   END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0}));

  EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL &Service = P.DevicePathFromText.Protocol;
  EFI_DEVICE_PATH_PROTOCOL *Path = Service.ConvertTextToDevicePath(u"PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Slave,0x0)");
  ASSERT_NE(Path, nullptr);
  EXPECT_EQ(P.Memory.BlockSize(Path), Expected.size());
  EXPECT_EQ(P.Memory.BlockType(Path), EfiBootServicesData);
  EXPECT_EQ(Copy(Path, Expected.size()), Expected);
  gBS->FreePool(Path);
}

TEST_F(DevicePath, PlatformRefusesUnparsableText) {
  size_t Live = P.Memory.LiveBytes();
  for (const char16_t *Text : {u"", u"Pci(0x1f)", u"Pci(0x20,0x0)", u"Pci(0x1f,0x2", u"Floppy(0)", u"PciRoot(0x0)/",
                               u"Ata(Tertiary,Master,0x0)", u"Ata(Primary,Master,0x10000)", u"Pci(0xg,0x0)"}) {
    EXPECT_EQ(P.DevicePathFromText.Protocol.ConvertTextToDevicePath(Text), nullptr) << host::Narrow(Text);
  }
  EXPECT_EQ(P.DevicePathFromText.Protocol.ConvertTextToDevicePath(nullptr), nullptr);
  EXPECT_EQ(P.Memory.LiveBytes(), Live);
}
