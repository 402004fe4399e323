// SPDX-License-Identifier: BSD-2-Clause-Patent
// Device-path nodes (UEFI device path protocol).
#pragma once
#include "include/uefi_types.h"

struct EFI_DEVICE_PATH_PROTOCOL {
  UINT8 Type;
  UINT8 SubType;
  UINT8 Length[2];  // little-endian node length, header included
};
static_assert(sizeof(EFI_DEVICE_PATH_PROTOCOL) == 4, "device path node header");

#define HARDWARE_DEVICE_PATH 0x01
#define HW_PCI_DP 0x01
#define HW_VENDOR_DP 0x04
#define ACPI_DEVICE_PATH 0x02
#define ACPI_DP 0x01
#define MESSAGING_DEVICE_PATH 0x03
#define MSG_ATAPI_DP 0x01
#define MEDIA_DEVICE_PATH 0x04
#define MEDIA_FILEPATH_DP 0x04
#define END_DEVICE_PATH_TYPE 0x7F
#define END_ENTIRE_DEVICE_PATH_SUBTYPE 0xFF
#define END_INSTANCE_DEVICE_PATH_SUBTYPE 0x01
#define END_DEVICE_PATH_LENGTH 4

#pragma pack(push, 1)
struct VENDOR_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  EFI_GUID Guid;
};
static_assert(sizeof(VENDOR_DEVICE_PATH) == 20, "vendor node without data");

struct ACPI_HID_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT32 HID;
  UINT32 UID;
};
static_assert(sizeof(ACPI_HID_DEVICE_PATH) == 12, "ACPI node");

struct PCI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT8 Function;
  UINT8 Device;
};
static_assert(sizeof(PCI_DEVICE_PATH) == 6, "PCI node");

struct ATAPI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT8 PrimarySecondary;  // 0 primary, 1 secondary
  UINT8 SlaveMaster;       // 0 master, 1 slave
  UINT16 Lun;
};
static_assert(sizeof(ATAPI_DEVICE_PATH) == 8, "ATA node");
static_assert(__builtin_offsetof(ATAPI_DEVICE_PATH, Lun) == 6, "ATA node layout");

// The driver handle's path: one vendor node carrying a 64-bit count, then the end node.
struct HII_VENDOR_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  EFI_GUID Guid;
  UINT64 UniqueId;
  EFI_DEVICE_PATH_PROTOCOL End;
};
static_assert(sizeof(HII_VENDOR_DEVICE_PATH) == 32, "driver device path is 32 bytes");
static_assert(__builtin_offsetof(HII_VENDOR_DEVICE_PATH, UniqueId) == 20, "count at offset 20");
static_assert(__builtin_offsetof(HII_VENDOR_DEVICE_PATH, End) == 28, "end node at offset 28");
#pragma pack(pop)

#define EFI_PNP_ID(id) ((UINT32)(((id) << 16) | 0x41D0))
