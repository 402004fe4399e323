#include "hostplatform/config_routing.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

// Members are filled in as the configuration-access tests need them.
ConfigRoutingFake::ConfigRoutingFake(Platform *Owner) : Owner(Owner) { std::memset(&Protocol, 0, sizeof(Protocol)); }

}  // namespace host
