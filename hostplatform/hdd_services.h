// Hard-disk password service and its UI service on the host platform.
#pragma once
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

struct HddPasswordUiFake {
  HDD_PASSWORD_UI_PROTOCOL Protocol;
  Platform *Owner;
  explicit HddPasswordUiFake(Platform *Owner);
};

}  // namespace host
