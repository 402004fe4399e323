// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII configuration routing of the host platform: BlockToConfig and
// ConfigToBlock as the UEFI specification defines them, with the details the
// firmware's own service (OVMF's, compared line by line by the firmware test
// firmware.parity_host_platform_agrees) shows where the UEFI specification leaves
// them open. The driver's configuration-access service calls these two.
//
// Strings are a header "GUID=...&NAME=...&PATH=..." followed by block
// elements: "&OFFSET=<hex>&WIDTH=<hex>" in a request, with "&VALUE=<hex>" in a
// response. Numbers are hex, most significant digit first, and run to the
// next '&'; a character that is not a hex digit counts as digit 0 ("1x" is
// 0x10). VALUE is the field as a little-endian number, so its last two
// digits are the byte at OFFSET.
//
// BlockToConfig:
// - A header-only request answers with the header alone (real routing
//   expands such a request from the form before it calls a driver).
// - Elements are answered in the order given, overlapping or not; WIDTH 0
//   answers an empty VALUE. A single '&' ending the request is kept at the
//   end of the answer.
// - An element that does not begin "&OFFSET=" is EFI_INVALID_PARAMETER with
//   Progress at it; one without "&WIDTH=", or with an empty WIDTH value, the
//   same with Progress at its start (an empty OFFSET is 0); one reaching
//   outside the block EFI_DEVICE_ERROR with Progress just after its WIDTH
//   value. *Config is then null.
// ConfigToBlock:
// - A header without any element is EFI_INVALID_PARAMETER, Progress at the
//   end of the header.
// - An element without OFFSET, WIDTH or a non-empty VALUE is
//   EFI_INVALID_PARAMETER, Progress at the element (at the '&' it begins
//   with); the elements before it stay applied, as the UEFI specification
//   says. Empty OFFSET and WIDTH values are 0 here.
// - A VALUE longer than 2 x WIDTH digits stores its low WIDTH bytes. Bytes
//   of the field that a shorter VALUE does not reach are not defined: OVMF
//   copies whatever follows its decoded value (0xAF, its fill of freed pool,
//   in the OVMF these tests run); this fake writes 0xAF, so nothing here can
//   rely on zeros.
// - An element reaching outside the block is skipped and the rest is still
//   applied; the call then ends with EFI_BUFFER_TOO_SMALL and *BlockSize = the
//   size that would hold every element. On success *BlockSize = the largest
//   OFFSET + WIDTH - 1 over the elements (computed in UINTN: WIDTH 0 at
//   OFFSET 0 gives all ones). Progress is the terminating NUL in both cases.
// Hex digits A-F of the header values (GUID, NAME, PATH) and of OFFSET and
// WIDTH are returned in lower case, the rest as given. Results come from the
// platform pool (EfiBootServicesData); the caller frees them.
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
