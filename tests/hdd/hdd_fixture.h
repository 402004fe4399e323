// SPDX-License-Identifier: BSD-2-Clause-Patent
// A started driver on the host platform with the two disk controllers of the
// port table (PCI device 0x1F, functions 2 and 5, both in IDE mode).
#pragma once
#include <gtest/gtest.h>

#include "hdd/hdd_security_status.h"
#include "hostplatform/pci_io.h"
#include "hostplatform/platform.h"

class HddFixture : public ::testing::Test {
 protected:
  host::Platform P;
  EFI_HANDLE Ide2 = nullptr;
  EFI_HANDLE Ide5 = nullptr;

  void SetUp() override {
    P.InstallServices();
    P.AddStandardAccounts();
    auto R = P.StartDriver();
    ASSERT_FALSE(R.Exited);
    ASSERT_EQ(R.Returned, EFI_SUCCESS);
    Ide2 = AddController(0x1F, 2, PCI_CLASS_MASS_STORAGE_IDE);
    Ide5 = AddController(0x1F, 5, PCI_CLASS_MASS_STORAGE_IDE);
  }

  EFI_HANDLE AddController(UINT8 Device, UINT8 Function, UINT8 SubClass) {
    return host::AddController(P, host::PciControllerPath(Device, Function),
                               host::PciConfigWithClass(PCI_CLASS_MASS_STORAGE, SubClass))
        .Handle;
  }

  static HDD_PASSWORD_DEVICE_INFO Disk(EFI_HANDLE Controller, UINT16 Channel, UINT16 Device,
                                       UINT16 SecurityStatus = 0x0001, UINT16 MasterPasswordId = 0x4444,
                                       const char *Name = "Disk") {
    return HDD_PASSWORD_DEVICE_INFO{Controller, const_cast<CHAR8 *>(Name), Channel, Device, SecurityStatus,
                                    MasterPasswordId};
  }

  std::vector<UINT8> PortStates() const { return std::vector<UINT8>(mHddPortState, mHddPortState + HDD_PORT_COUNT); }
  std::vector<UINT16> PortsOfDevices() const {
    return std::vector<UINT16>(mHddPortOfDevice, mHddPortOfDevice + mHddDeviceCount);
  }
};
