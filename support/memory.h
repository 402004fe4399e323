// SPDX-License-Identifier: BSD-2-Clause-Patent
// Boot-services pool helpers shared by the driver.
#pragma once
#include "include/uefi_types.h"

// EfiBootServicesData pool; null when AllocatePool fails. The caller frees it.
VOID *AllocateBootDataPool(UINTN Size);
// The same, filled with zero bytes.
VOID *AllocateClearedPool(UINTN Size);
// The same, holding the first Size bytes of Source.
VOID *AllocatePoolCopy(UINTN Size, const VOID *Source);
