// SPDX-License-Identifier: BSD-2-Clause-Patent
// PCI controllers of the host platform: a handle carrying a device path and
// a PCI I/O instance whose 256-byte configuration space a test sets.
#pragma once
#include <array>
#include <vector>

#include "include/protocols/pci_io.h"

namespace host {

class Platform;

using PciConfigSpace = std::array<UINT8, 256>;

struct PciControllerFake {
  EFI_PCI_IO_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  PciConfigSpace Config{};
  EFI_STATUS ReadStatus = EFI_SUCCESS;  // forced Pci.Read result when not success
  std::vector<UINT8> DevicePath;        // the path installed on Handle
  EFI_HANDLE Handle = nullptr;
  PciControllerFake(Platform *Owner, std::vector<UINT8> DevicePath, const PciConfigSpace &Config);
};

// Creates a controller handle with DevicePath and, when WithPciIo, its PCI I/O.
PciControllerFake &AddController(Platform &P, const std::vector<UINT8> &DevicePath, const PciConfigSpace &Config,
                                 bool WithPciIo = true);
// Configuration space with the given base class and sub-class (offsets 0x0B, 0x0A).
PciConfigSpace PciConfigWithClass(UINT8 BaseClass, UINT8 SubClass);
// PciRoot(0x0)/Pci(Device,Function) in binary, end node included.
std::vector<UINT8> PciControllerPath(UINT8 Device, UINT8 Function);

}  // namespace host
