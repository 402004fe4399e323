#include "hostplatform/hii_string.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

// Members are filled in as the string-access tests need them.
HiiStringFake::HiiStringFake(Platform *Owner) : Owner(Owner) { std::memset(&Protocol, 0, sizeof(Protocol)); }

}  // namespace host
