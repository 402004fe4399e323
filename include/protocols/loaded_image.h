// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_LOADED_IMAGE_PROTOCOL.
#pragma once
#include "include/system_table.h"

struct EFI_LOADED_IMAGE_PROTOCOL {
  UINT32 Revision;
  EFI_HANDLE ParentHandle;
  EFI_SYSTEM_TABLE *SystemTable;
  EFI_HANDLE DeviceHandle;
  EFI_DEVICE_PATH_PROTOCOL *FilePath;
  VOID *Reserved;
  UINT32 LoadOptionsSize;
  VOID *LoadOptions;
  VOID *ImageBase;
  UINT64 ImageSize;
  EFI_MEMORY_TYPE ImageCodeType;
  EFI_MEMORY_TYPE ImageDataType;
  EFI_STATUS(EFIAPI *Unload)(EFI_HANDLE ImageHandle);
};
static_assert(sizeof(EFI_LOADED_IMAGE_PROTOCOL) == 96, "loaded image protocol");
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, DeviceHandle) == 24, "DeviceHandle");
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageBase) == 64, "ImageBase");
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageDataType) == 84, "ImageDataType");
