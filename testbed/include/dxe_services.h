// SPDX-License-Identifier: BSD-2-Clause-Patent
// The DXE Services Table of the PI specification (volume 2): found in the
// system table's configuration table under its GUID. The testbed calls only
// the dispatcher's Dispatch and ProcessFirmwareVolume; the other members
// keep their slots as plain pointers.
#pragma once
#include "include/system_table.h"

struct EFI_DXE_SERVICES {
  EFI_TABLE_HEADER Hdr;
  // Global coherency domain services.
  VOID *AddMemorySpace;
  VOID *AllocateMemorySpace;
  VOID *FreeMemorySpace;
  VOID *RemoveMemorySpace;
  VOID *GetMemorySpaceDescriptor;
  VOID *SetMemorySpaceAttributes;
  VOID *GetMemorySpaceMap;
  VOID *AddIoSpace;
  VOID *AllocateIoSpace;
  VOID *FreeIoSpace;
  VOID *RemoveIoSpace;
  VOID *GetIoSpaceDescriptor;
  VOID *GetIoSpaceMap;
  // Dispatcher services.
  EFI_STATUS(EFIAPI *Dispatch)();
  VOID *Schedule;
  VOID *Trust;
  // Firmware volume services.
  EFI_STATUS(EFIAPI *ProcessFirmwareVolume)(const VOID *FirmwareVolumeHeader, UINTN Size,
                                            EFI_HANDLE *FirmwareVolumeHandle);
  VOID *SetMemorySpaceCapabilities;
};
static_assert(__builtin_offsetof(EFI_DXE_SERVICES, Dispatch) == 24 + 13 * 8, "Dispatch slot");
static_assert(__builtin_offsetof(EFI_DXE_SERVICES, ProcessFirmwareVolume) == 24 + 16 * 8, "ProcessFirmwareVolume slot");

inline constexpr EFI_GUID gEfiDxeServicesTableGuid = {0x05AD34BA, 0x6F02, 0x4214, {0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9}};
// The driver's firmware file name (fwpack/modules/Quorvane.module).
inline constexpr EFI_GUID gQuorvaneFileGuid = {0xAFEE5512, 0x2434, 0x4EBC, {0xB3, 0x07, 0xB5, 0x79, 0xCB, 0x96, 0x8D, 0x0B}};
// Device path node of a file in a firmware volume (MEDIA_PIWG_FW_FILE_DP).
#define MEDIA_PIWG_FW_FILE_DP 0x06
