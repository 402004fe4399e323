// SPDX-License-Identifier: BSD-2-Clause-Patent
// Checks of the driver inside the firmware, reported as serial events for
// the firmware test runner (testbed/harness/checks_test.py judges them).
#pragma once
#include "include/system_table.h"

// Runs the checks of this boot's phase. The first phase ends by resetting
// the machine through the runtime ResetSystem; the second by powering off.
VOID RunChecks(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST, EFI_HANDLE DriverImage, EFI_RESET_SYSTEM FirmwareReset);
