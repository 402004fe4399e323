// SPDX-License-Identifier: BSD-2-Clause-Patent
// The runtime ResetSystem replacement armed by a change of the TXT switch:
// the next reset goes to the platform reset protocol, which power-cycles the
// platform as a TXT change needs. SecurityResetSystem lives in a boot-service
// driver, so the firmware's own service is put back when boot services end.
#pragma once
#include "include/system_table.h"

// The firmware's own ResetSystem, saved when the replacement is installed.
extern EFI_RESET_SYSTEM mSavedResetSystem;

VOID EFIAPI SecurityResetSystem(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize, VOID *ResetData);
// Puts SecurityResetSystem into the runtime services table. Does nothing when
// it was installed before, or when the exit-boot-services event that takes it out
// again cannot be created.
VOID InstallResetReplacement(VOID);
