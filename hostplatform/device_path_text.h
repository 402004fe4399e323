// SPDX-License-Identifier: BSD-2-Clause-Patent
// Device-path-from-text service of the host platform. It converts the node
// texts of the UEFI specification that the driver's port table uses:
// PciRoot(UID), Pci(Device,Function) and Ata(Primary|Secondary,Master|Slave,Lun)
// (numbers 0/1 accepted for the first two Ata fields). Results come from the
// platform pool and belong to the caller; unparsable text gives null.
#pragma once
#include <string>
#include <vector>

#include "include/protocols/device_path_from_text.h"

namespace host {

class Platform;

struct DevicePathFromTextFake {
  EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL Protocol;
  Platform *Owner;
  explicit DevicePathFromTextFake(Platform *Owner);
};

// The binary path of Text (end node included); empty when it does not parse.
std::vector<UINT8> DevicePathFromText(const std::u16string &Text);

}  // namespace host
