#include "hostplatform/device_path_text.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

// Members are filled in as the hard-disk tests need them.
DevicePathFromTextFake::DevicePathFromTextFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
}

}  // namespace host
