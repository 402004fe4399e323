// SPDX-License-Identifier: BSD-2-Clause-Patent
// The text setup browser service of the testbed platform: ShowPopUp (its sixth
// entry) draws a message box of the given lines and waits for a key.
#include "include/guids.h"
#include "include/protocols/platform_services.h"
#include "testbed/support/console_dialog.h"
#include "testbed/support/serial_log.h"

namespace {

EFI_SYSTEM_TABLE *gSystem;

EFI_STATUS EFIAPI Unused() { return EFI_UNSUPPORTED; }

EFI_STATUS EFIAPI ShowPopUp(VOID *, VOID *, UINTN LineCount, CHAR16 **Lines) {
  if (Lines == NULL || LineCount == 0) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN Index = 0; Index < LineCount; Index++) {
    LogEvent("popup %s", (UINT64)Lines[Index]);
  }
  ShowMessageBox(gSystem, Lines, LineCount);
  return EFI_SUCCESS;
}

TEXT_SETUP_BROWSER_PROTOCOL mBrowser = {Unused, Unused, Unused, Unused, Unused, ShowPopUp};

}  // namespace

extern "C" EFI_STATUS EFIAPI SetupBrowserMain(EFI_HANDLE, EFI_SYSTEM_TABLE *SystemTable) {
  LogEventsFromScenario(SystemTable->RuntimeServices);
  gSystem = SystemTable;
  EFI_HANDLE Handle = NULL;
  return SystemTable->BootServices->InstallProtocolInterface(&Handle, &gTextSetupBrowserProtocolGuid,
                                                            EFI_NATIVE_INTERFACE, &mBrowser);
}
