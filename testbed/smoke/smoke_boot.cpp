// SPDX-License-Identifier: BSD-2-Clause-Patent
// Boot application of the firmware smoke test: loads the shipped driver image
// and then the diagnostic one from this volume, reports each exit status on
// the serial port and powers the machine off.
//
//   <STX>start Quorvane.efi<ETX> ...console output... <STX>exit Quorvane.efi 14 status=e loaded<ETX>
#include "include/system_table.h"
#include "testbed/support/image_loader.h"
#include "testbed/support/serial_log.h"

namespace {

VOID RunOne(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path, const CHAR8 *Name) {
  LogEvent("start %a", (UINT64)Name);
  EFI_HANDLE Loaded = NULL;
  EFI_STATUS Status = LoadAndStartImage(ImageHandle, SystemTable, Path, &Loaded);
  LogEvent("exit %a %d status=%x %a", (UINT64)Name, Status & 0xFFFFFFFFULL, Status,
           (UINT64)(Loaded == NULL ? "not-loaded" : "loaded"));
}

}  // namespace

extern "C" EFI_STATUS EFIAPI SmokeMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  SystemTable->BootServices->SetWatchdogTimer(0, 0, 0, NULL);
  RunOne(ImageHandle, SystemTable, u"\\EFI\\QUORVANE\\QUORVANE.EFI", "Quorvane.efi");
  RunOne(ImageHandle, SystemTable, u"\\EFI\\QUORVANE\\DIAG.EFI", "QuorvaneDiagnostics.efi");
  LogEvent("done");
  SystemTable->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
  return EFI_SUCCESS;
}
