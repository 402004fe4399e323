// HII configuration routing of the host platform: BlockToConfig and
// ConfigToBlock as the UEFI standard defines them.
#pragma once
#include "include/protocols/hii_config.h"

namespace host {

class Platform;

struct ConfigRoutingFake {
  EFI_HII_CONFIG_ROUTING_PROTOCOL Protocol;
  Platform *Owner;
  explicit ConfigRoutingFake(Platform *Owner);
};

}  // namespace host
