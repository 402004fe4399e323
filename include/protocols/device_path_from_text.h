// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL.
#pragma once
#include "include/device_path.h"

struct EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL {
  EFI_DEVICE_PATH_PROTOCOL *(EFIAPI *ConvertTextToDeviceNode)(const CHAR16 *TextDeviceNode);
  EFI_DEVICE_PATH_PROTOCOL *(EFIAPI *ConvertTextToDevicePath)(const CHAR16 *TextDevicePath);
};
static_assert(sizeof(EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL) == 16, "device path from text: 2 members");
