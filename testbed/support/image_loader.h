// SPDX-License-Identifier: BSD-2-Clause-Patent
// Loads and starts an image, and reads a file, on the same volume as the calling image.
#pragma once
#include "include/system_table.h"

// Builds <device path of the caller's volume>\<Path>, then LoadImage and
// StartImage. Returns LoadImage's status if it fails, StartImage's otherwise;
// *Loaded receives the image handle (NULL if loading failed).
EFI_STATUS LoadAndStartImage(EFI_HANDLE ParentImage, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path,
                             EFI_HANDLE *Loaded);

// Reads up to *Size bytes of the file <Path> of the caller's volume into
// Buffer; *Size receives the bytes read.
EFI_STATUS ReadFileBesideImage(EFI_HANDLE ParentImage, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path,
                               VOID *Buffer, UINTN *Size);
