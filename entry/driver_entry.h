// SPDX-License-Identifier: BSD-2-Clause-Patent
// Image entry point, start-up and shut-down lists, and the image exit path.
#pragma once
#include "include/system_table.h"

typedef INT32 (*LIBRARY_CONSTRUCTOR)(VOID);
typedef VOID (*LIBRARY_HOOK)(VOID);

extern "C" EFI_STATUS EFIAPI DriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);

// Visits [First, End) in order and stops at the first entry that returns nonzero.
INT32 RunLibraryConstructorList(const LIBRARY_CONSTRUCTOR *First, const LIBRARY_CONSTRUCTOR *End);
// Calls every non-null entry of [First, End); null bounds mean an empty list.
VOID RunHookList(const LIBRARY_HOOK *First, const LIBRARY_HOOK *End);
// Fetches the image's own loaded-image interface; 1 on failure.
INT32 LoadedImageConstructor(VOID);
// What the entry point does with DxeMain's status: success stays resident,
// any other status (a warning too) runs the shut-down lists and exits.
EFI_STATUS CompleteDriverEntry(EFI_STATUS Status);
// Exits the image with ExitCode sign-extended; does not return.
[[noreturn]] VOID ExitImage(INT32 ExitCode);
