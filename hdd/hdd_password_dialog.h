// SPDX-License-Identifier: BSD-2-Clause-Patent
// Launch of the platform's hard-disk password dialog for one disk.
#pragma once
#include "include/uefi_types.h"

// The UI service's name string holds at most 40 characters.
constexpr UINTN HDD_DIALOG_NAME_SIZE = 82;

// PasswordKind: HDD_PASSWORD_KIND_USER or HDD_PASSWORD_KIND_MASTER. Always EFI_SUCCESS.
EFI_STATUS LaunchHddPasswordDialog(UINT32 PasswordKind, UINTN DeviceIndex);
// The name the dialog shows for entry DeviceIndex of the device list: cut to
// 40 characters; "<null string>" for an entry without a name or outside the list.
VOID FormatHddDialogName(UINTN DeviceIndex, CHAR16 Name[HDD_DIALOG_NAME_SIZE / 2]);
