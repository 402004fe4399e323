// SPDX-License-Identifier: BSD-2-Clause-Patent
// Pool in the image's own data memory type, release and overlap-safe copy.
#pragma once
#include "include/uefi_types.h"

// Pool of the loaded image's ImageDataType; not cleared; null when unavailable.
VOID *AllocateImageDataPool(UINTN Size);
VOID FreePoolIfPresent(VOID *Buffer);
VOID *InternalMemMove(VOID *Destination, const VOID *Source, UINTN Length);
