// Launch of the platform's hard-disk password dialog for one disk.
#pragma once
#include "include/uefi_types.h"

// PasswordKind: 1 user password, 2 master password. Always EFI_SUCCESS.
EFI_STATUS LaunchHddPasswordDialog(UINT32 PasswordKind, UINTN DeviceIndex);
