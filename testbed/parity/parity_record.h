// SPDX-License-Identifier: BSD-2-Clause-Patent
// The parity record: the same scenarios run inside the firmware (by the
// boot application's checks) and on the host platform (by the host program
// testbed/parity/host_parity.cpp), each printing one line per observation, so
// that the two records can be compared line by line. This file is compiled
// into both; it calls only UEFI interfaces.
//
// Lines (fields separated by one blank, texts printed as they are, characters
// outside printable ASCII as \uXXXX):
//   parity begin
//   parity driver-path <hex of the driver handle's device path>
//   parity variable <label> <store> status=<hex> attributes=<hex> size=<dec> data=<hex>
//   parity block-to-config <case> status=<hex> progress=<index|none> config=<text|null>
//   parity config-to-block <case> status=<hex> progress=<index|none> size=<dec> block=<hex>
//   parity driver extract <store> <case> request=<text> status=<hex> progress=<index|none> results=<text|null>
//   parity driver route <store> <case> configuration=<text> status=<hex> progress=<index|none>
//   parity routing-driver extract|route ...   the same, for what the firmware's
//       configuration routing service handed the driver and got back
//   parity hii ...                            HII String service and the lock-out text
//   parity end
// Progress is the index into the string the call was given; "none" when
// the callee left it alone.
#pragma once
#include "include/protocols/hii_config.h"
#include "include/protocols/qel_user_manager.h"
#include "include/system_table.h"

struct PARITY_STORE {
  const CHAR16 *Name;
  const EFI_GUID *Guid;
  UINTN Size;         // as the testbed platform creates it (or the driver does)
  UINTN RouteOffset;  // the byte the through-routing step changes
  UINT8 RouteValue;
};
constexpr UINTN PARITY_STORE_COUNT = 7;
extern const PARITY_STORE mParityStores[PARITY_STORE_COUNT];

struct PARITY_PLATFORM;
typedef VOID (*PARITY_WRITE_LINE)(const CHAR8 *Line);
typedef VOID (*PARITY_ROUTING_STEP)(PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN HeaderOnly);

struct PARITY_PLATFORM {
  EFI_SYSTEM_TABLE *System;
  EFI_HII_CONFIG_ROUTING_PROTOCOL *Routing;      // BlockToConfig and ConfigToBlock are called directly
  const EFI_HII_CONFIG_ACCESS_PROTOCOL *Driver;  // the driver's own instance
  UINT8 DriverPath[64];
  UINTN DriverPathSize;
  EFI_HII_HANDLE HiiHandle;                 // the driver's package list
  QEL_UNLOCK_FORM_CALLBACK UnlockCallback;  // what the driver registered for the lock-out form
  PARITY_WRITE_LINE WriteLine;
  // The steps that go through the platform's configuration routing service.
  // In firmware they call the routing service, which reaches the driver; the
  // host platform has no routing-level ExtractConfig and RouteConfig, so the
  // host program hands the driver what the firmware's routing handed it.
  PARITY_ROUTING_STEP ExtractThroughRouting;  // HeaderOnly: the bare header, else the whole block
  PARITY_ROUTING_STEP RouteThroughRouting;    // the store's RouteOffset set to RouteValue
  VOID *Context;
};

// Runs every scenario of the record in order: variables, the routing
// service's block conversions, the driver's ExtractConfig, the through-routing
// steps, the driver's RouteConfig, the HII String service.
VOID RunParityRecord(PARITY_PLATFORM *Platform);

// ---- pieces the through-routing steps use on either side
struct PARITY_TEXT {
  CHAR16 Data[4096];
  UINTN Length;
};
// GUID=<bytes>&NAME=<four hex digits per character>&PATH=<device path bytes>,
// the header as the firmware's routing service writes it.
VOID ParityHeader(PARITY_TEXT *Text, const PARITY_PLATFORM *Platform, UINTN Store);
VOID ParityAppend(PARITY_TEXT *Text, const CHAR16 *Piece);
VOID ParityAppendHex(PARITY_TEXT *Text, UINT64 Value, UINTN Digits);
// The request or configuration a through-routing step sends.
VOID ParityRoutingRequest(PARITY_TEXT *Text, const PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN HeaderOnly);
VOID ParityRoutingConfiguration(PARITY_TEXT *Text, const PARITY_PLATFORM *Platform, UINTN Store);
// One "parity <Source> extract|route ..." line. Case is "header", "block", "route" or a case name.
VOID ParityExtractLine(const PARITY_PLATFORM *Platform, const CHAR8 *Source, UINTN Store, const CHAR8 *Case,
                       const CHAR16 *Request, EFI_STATUS Status, const CHAR16 *Progress, const CHAR16 *Results);
VOID ParityRouteLine(const PARITY_PLATFORM *Platform, const CHAR8 *Source, UINTN Store, const CHAR8 *Case,
                     const CHAR16 *Configuration, EFI_STATUS Status, const CHAR16 *Progress);
// The case name of a through-routing step.
const CHAR8 *ParityRoutingCase(BOOLEAN HeaderOnly);
