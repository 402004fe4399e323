// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hard-disk password service and its UI service. The driver calls only
// GetDeviceInfoList (entry 7) and reads/writes the UI service's fields.
#pragma once
#include "include/uefi_types.h"

struct HDD_PASSWORD_DEVICE_INFO {
  EFI_HANDLE DeviceHandle;  // controller: carries device path and PCI I/O
  CHAR8 *DeviceName;        // ASCII, owned by the service
  UINT16 Channel;           // 0 primary, 1 secondary
  UINT16 Device;            // 0 master, 1 slave
  UINT16 SecurityStatus;    // ATA IDENTIFY DEVICE word 128
  UINT16 MasterPasswordId;  // 0x5858 when a master password is set
};
static_assert(sizeof(HDD_PASSWORD_DEVICE_INFO) == 24, "device info entry");
static_assert(__builtin_offsetof(HDD_PASSWORD_DEVICE_INFO, DeviceName) == 8, "DeviceName");
static_assert(__builtin_offsetof(HDD_PASSWORD_DEVICE_INFO, Channel) == 16, "Channel");
static_assert(__builtin_offsetof(HDD_PASSWORD_DEVICE_INFO, Device) == 18, "Device");
static_assert(__builtin_offsetof(HDD_PASSWORD_DEVICE_INFO, SecurityStatus) == 20, "SecurityStatus");
static_assert(__builtin_offsetof(HDD_PASSWORD_DEVICE_INFO, MasterPasswordId) == 22, "MasterPasswordId");

constexpr UINT16 HDD_SECURITY_ENABLED = 0x0002;
constexpr UINT16 HDD_SECURITY_FROZEN = 0x0008;
constexpr UINT16 HDD_SECURITY_COUNT_EXPIRED = 0x0010;
constexpr UINT16 HDD_MASTER_PASSWORD_SET_ID = 0x5858;

struct HDD_PASSWORD_PROTOCOL;
typedef EFI_STATUS(EFIAPI *HDD_PASSWORD_UNUSED)(HDD_PASSWORD_PROTOCOL *This);

struct HDD_PASSWORD_PROTOCOL {
  HDD_PASSWORD_UNUSED Entry0;
  HDD_PASSWORD_UNUSED Entry1;
  HDD_PASSWORD_UNUSED Entry2;
  HDD_PASSWORD_UNUSED Entry3;
  HDD_PASSWORD_UNUSED Entry4;
  HDD_PASSWORD_UNUSED Entry5;
  HDD_PASSWORD_UNUSED Entry6;
  // Fills List (room for 6 entries) and sets *Count.
  EFI_STATUS(EFIAPI *GetDeviceInfoList)(HDD_PASSWORD_PROTOCOL *This, UINTN *Count, HDD_PASSWORD_DEVICE_INFO *List);
};
static_assert(__builtin_offsetof(HDD_PASSWORD_PROTOCOL, GetDeviceInfoList) == 7 * 8, "GetDeviceInfoList is entry 7");

constexpr UINT32 HDD_PASSWORD_KIND_USER = 1;
constexpr UINT32 HDD_PASSWORD_KIND_MASTER = 2;

struct HDD_PASSWORD_UI_PROTOCOL {
  VOID *Reserved;
  EFI_HII_HANDLE UiHiiHandle;        // the service's package list
  EFI_STRING_ID DeviceNameStringId;  // receives the disk's name
  UINT32 PasswordKind;               // HDD_PASSWORD_KIND_USER or HDD_PASSWORD_KIND_MASTER
  UINT64 DeviceIndex;                // position in the device list
};
static_assert(sizeof(HDD_PASSWORD_UI_PROTOCOL) == 32, "HDD password UI structure");
static_assert(__builtin_offsetof(HDD_PASSWORD_UI_PROTOCOL, UiHiiHandle) == 8, "UiHiiHandle");
static_assert(__builtin_offsetof(HDD_PASSWORD_UI_PROTOCOL, DeviceNameStringId) == 16, "DeviceNameStringId");
static_assert(__builtin_offsetof(HDD_PASSWORD_UI_PROTOCOL, PasswordKind) == 20, "PasswordKind");
static_assert(__builtin_offsetof(HDD_PASSWORD_UI_PROTOCOL, DeviceIndex) == 24, "DeviceIndex");

constexpr EFI_FORM_ID HDD_PASSWORD_UI_FORM_ID = 0x1001;
