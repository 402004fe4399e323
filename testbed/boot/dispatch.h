// SPDX-License-Identifier: BSD-2-Clause-Patent
// The driver's firmware file on the real DXE dispatcher: the boot
// application hands a firmware volume holding Quorvane.ffs to the DXE
// services and calls Dispatch before and after the testbed services are
// installed, and reports what it finds as serial events
// (testbed/harness/dispatch_test.py judges them).
#pragma once
#include "include/system_table.h"

// Reads \testbed\dispatch.fv into boot-services pages (the dispatcher reads
// the volume in place for as long as boot services last), hands it to
// ProcessFirmwareVolume, calls Dispatch and reports "dispatch before ...".
VOID DispatchVolumeBeforeServices(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST);
// Calls Dispatch again and reports "dispatch after ...", then extracts one
// store through the firmware's configuration routing.
VOID DispatchAfterServices(EFI_SYSTEM_TABLE *ST);
