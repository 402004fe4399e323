// HII String service of the host platform, serving the package lists
// registered with its HII database.
#pragma once
#include "include/protocols/hii_string.h"

namespace host {

class Platform;

struct HiiStringFake {
  EFI_HII_STRING_PROTOCOL Protocol;
  Platform *Owner;
  explicit HiiStringFake(Platform *Owner);
};

}  // namespace host
