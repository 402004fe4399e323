// Boot application of the firmware smoke test: loads the shipped driver image
// and then the diagnostic one from this volume, reports each exit status on
// the serial port and powers the machine off.
//
//   QV-START \EFI\QUORVANE\QUORVANE.EFI
//   QV-EXIT 14 status=800000000000000e
#include "include/system_table.h"
#include "testbed/support/image_loader.h"
#include "testbed/support/serial_log.h"

namespace {

VOID RunOne(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path, const CHAR8 *Name) {
  SerialWrite("\nQV-START ");
  SerialWrite(Name);
  SerialWrite("\n");
  EFI_HANDLE Loaded = NULL;
  EFI_STATUS Status = LoadAndStartImage(ImageHandle, SystemTable, Path, &Loaded);
  SerialWrite("\nQV-EXIT ");
  SerialWriteDecimal(Status & 0xFFFFFFFFULL);
  SerialWrite(" status=");
  SerialWriteHex(Status);
  SerialWrite(Loaded == NULL ? " not-loaded\n" : " loaded\n");
}

}  // namespace

extern "C" EFI_STATUS EFIAPI SmokeMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  SystemTable->BootServices->SetWatchdogTimer(0, 0, 0, NULL);
  RunOne(ImageHandle, SystemTable, u"\\EFI\\QUORVANE\\QUORVANE.EFI", "Quorvane.efi");
  RunOne(ImageHandle, SystemTable, u"\\EFI\\QUORVANE\\DIAG.EFI", "QuorvaneDiagnostics.efi");
  SerialWrite("QV-DONE\n");
  SystemTable->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
  return EFI_SUCCESS;
}
