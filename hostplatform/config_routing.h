// HII configuration routing of the host platform: BlockToConfig and
// ConfigToBlock as the UEFI specification defines them, for the driver's
// configuration-access service to call.
//
// Strings are a header "GUID=...&NAME=...&PATH=..." followed by block
// elements: "&OFFSET=<hex>&WIDTH=<hex>" in a request, with "&VALUE=<hex>" in a
// response. Numbers are hex, most significant digit first; VALUE is the field
// as a little-endian number, so its last two digits are the byte at OFFSET.
//
// - A header-only request (no element) answers with the header alone; real
//   routing expands such a request from the form before it calls a driver.
//   A header-only response changes no byte.
// - Progress: the terminating NUL on success; the start of the string for a
//   missing or malformed header; the '&' that begins the failing element for
//   an element that is malformed (EFI_INVALID_PARAMETER) or reaches outside
//   the block (EFI_DEVICE_ERROR). ConfigToBlock leaves the elements before a
//   failing one applied, as the UEFI specification says.
// - VALUE may have fewer digits than 2 x WIDTH (zero-extended), not more.
//   WIDTH 0 is malformed.
// - Results come from the platform pool (EfiBootServicesData); the caller
//   frees them. Hex digits of GUID, PATH, OFFSET, WIDTH and VALUE are
//   returned in lower case, as real routing does; the NAME value is kept.
//   On an error *Config is set to null.
// - On success ConfigToBlock writes the index of the last byte it changed
//   to *BlockSize (0 when none changed).
#pragma once
#include <string>

#include "include/protocols/hii_config.h"

namespace host {

class Platform;

struct ConfigRoutingFake {
  EFI_HII_CONFIG_ROUTING_PROTOCOL Protocol;
  Platform *Owner;
  explicit ConfigRoutingFake(Platform *Owner);
};

}  // namespace host
