// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hard-disk password service and its UI service on the host platform.
#pragma once
#include <string>
#include <vector>

#include "include/protocols/hdd_password.h"

namespace host {

class Platform;

struct HddPasswordFake {
  HDD_PASSWORD_PROTOCOL Protocol;
  Platform *Owner;
  std::vector<HDD_PASSWORD_DEVICE_INFO> Devices;  // what GetDeviceInfoList reports
  EFI_STATUS Status = EFI_SUCCESS;
  // When set, the count reported instead of Devices.size() (entries beyond the list are not written).
  bool OverrideCount = false;
  UINTN ReportedCount = 0;
  explicit HddPasswordFake(Platform *Owner);
};

// The UI service owns a small package list: one string package per language
// with string 1 the language name, 2 the form title and 3 the device name
// (DeviceNameStringId). Tests register it explicitly, so that platforms
// without it keep the HII database to the driver's own list.
struct HddPasswordUiFake {
  HDD_PASSWORD_UI_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  static constexpr EFI_STRING_ID NameStringId = 3;
  explicit HddPasswordUiFake(Platform *Owner);
  // Registers the package list with the platform's HII database and sets UiHiiHandle.
  EFI_HII_HANDLE RegisterPackageList(const std::vector<std::string> &Languages = {"en-US", "fr-FR"});
};

}  // namespace host
