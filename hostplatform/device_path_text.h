// Device-path-from-text service of the host platform.
#pragma once
#include "include/protocols/device_path_from_text.h"

namespace host {

class Platform;

struct DevicePathFromTextFake {
  EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL Protocol;
  Platform *Owner;
  explicit DevicePathFromTextFake(Platform *Owner);
};

}  // namespace host
