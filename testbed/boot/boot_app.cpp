// SPDX-License-Identifier: BSD-2-Clause-Patent
// The testbed's boot application (\EFI\BOOT\BOOTX64.EFI): reads the scenario
// from \testbed\scenario.txt, loads the platform services and the driver
// from \EFI\QUORVANE (with try-unsigned=1 first \EFI\QUORVANE\UNSIGNED.EFI,
// which Secure Boot must refuse), then
//   mode=page    opens the Security page with the form browser (SendForm),
//                and again after it is left, until the user resets or powers off;
//   mode=setup   starts the firmware's own setup program (boot option "UiApp"),
//                whose Device Manager lists the Security page;
//   mode=checks  runs the start-up and configuration checks and reports them
//                on the serial line;
//   mode=dispatch hands a firmware volume holding the driver's firmware file
//                to the DXE dispatcher before and after loading the services
//                (the driver itself is not loaded from the disk).
#include "include/guids.h"
#include "include/protocols/form_browser2.h"
#include "include/protocols/loaded_image.h"
#include "include/protocols/platform_services.h"
#include "testbed/boot/checks.h"
#include "testbed/boot/dispatch.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/support/console_dialog.h"
#include "testbed/support/image_loader.h"
#include "testbed/support/scenario.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

struct ServiceImage {
  const CHAR16 *Path;
  const CHAR8 *Name;
};
const ServiceImage kServices[] = {
    {u"\\EFI\\QUORVANE\\PLATFORM.EFI", "platform"},
    {u"\\EFI\\QUORVANE\\ACCOUNTS.EFI", "accounts"},
    {u"\\EFI\\QUORVANE\\SETUPBRW.EFI", "setup-browser"},
    {u"\\EFI\\QUORVANE\\HDDPWD.EFI", "hdd-password"},
};

VOID LoadServices(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST) {
  for (const ServiceImage &Service : kServices) {
    EFI_HANDLE Loaded = NULL;
    EFI_STATUS Status = LoadAndStartImage(ImageHandle, ST, Service.Path, &Loaded);
    LogEvent("boot service %a status=%x", (UINT64)Service.Name, Status);
  }
}

EFI_HII_HANDLE SecurityHiiHandle(EFI_SYSTEM_TABLE *ST) {
  QEL_FORM_SET_PROTOCOL *Record = NULL;
  if (EFI_ERROR(ST->BootServices->LocateProtocol(&gQelFormSetProtocolGuid, NULL, reinterpret_cast<VOID **>(&Record)))) {
    return NULL;
  }
  return Record->HiiHandle;
}

VOID PowerOff(EFI_SYSTEM_TABLE *ST) {
  LogEvent("boot power-off");
  ST->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
}

VOID RunPage(EFI_SYSTEM_TABLE *ST) {

  EFI_FORM_BROWSER2_PROTOCOL *Browser = NULL;
  EFI_HII_HANDLE Handle = SecurityHiiHandle(ST);
  if (Handle == NULL ||
      EFI_ERROR(ST->BootServices->LocateProtocol(&gEfiFormBrowser2ProtocolGuid, NULL, reinterpret_cast<VOID **>(&Browser)))) {
    LogEvent("boot page unavailable");
    const CHAR16 *Lines[1] = {u"The Security page is not registered (see the serial log)."};
    ShowMessageBox(ST, Lines, 1);
    PowerOff(ST);
    return;
  }
  for (;;) {
    EFI_GUID FormSet = gSecurityFormSetGuid;
    EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
    LogEvent("boot sendform");
    EFI_STATUS Status = Browser->SendForm(Browser, &Handle, 1, &FormSet, 1, NULL, &Request);
    LogEvent("boot sendform-returned status=%x request=%d", Status, (UINT64)Request);
    if (Request == EFI_BROWSER_ACTION_REQUEST_RESET) {
      LogEvent("boot reset requested by the browser");
      ST->RuntimeServices->ResetSystem(EfiResetCold, EFI_SUCCESS, 0, NULL);
    }
    ST->ConOut->SetAttribute(ST->ConOut, 0x07);
    ST->ConOut->ClearScreen(ST->ConOut);
    const CHAR16 *Lines[4] = {u"The Security page was closed.", u"", u"Enter: open it again   R: reset",
                              u"S: power off"};
    ShowMessageBoxNoWait(ST, Lines, 4);
    EFI_INPUT_KEY Key = WaitForKey(ST);
    if (Key.UnicodeChar == u'r' || Key.UnicodeChar == u'R') {
      LogEvent("boot reset");
      ST->RuntimeServices->ResetSystem(EfiResetCold, EFI_SUCCESS, 0, NULL);
    }
    if (Key.UnicodeChar == u's' || Key.UnicodeChar == u'S') {
      PowerOff(ST);
    }
  }
}

// Starts the boot option whose description is "UiApp": the firmware's front
// page, from which Device Manager lists the Security page.
VOID RunSetup(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST) {
  UINT16 Order[64];
  UINTN Size = sizeof(Order);
  EFI_STATUS Status = ST->RuntimeServices->GetVariable(u"BootOrder", &gEfiGlobalVariableGuid, NULL, &Size, Order);
  for (UINTN Index = 0; !EFI_ERROR(Status) && Index < Size / 2; Index++) {
    CHAR16 Name[9] = u"Boot0000";
    for (UINTN Digit = 0; Digit < 4; Digit++) {
      Name[4 + Digit] = u"0123456789ABCDEF"[(Order[Index] >> (12 - 4 * Digit)) & 0xF];
    }
    UINT8 Option[512];
    UINTN OptionSize = sizeof(Option);
    if (EFI_ERROR(ST->RuntimeServices->GetVariable(Name, &gEfiGlobalVariableGuid, NULL, &OptionSize, Option))) {
      continue;
    }
    // Attributes (4), FilePathListLength (2), Description, FilePathList.
    const CHAR16 *Description = reinterpret_cast<const CHAR16 *>(Option + 6);
    if (!Char16Equal(Description, u"UiApp")) {
      continue;
    }
    UINTN PathOffset = 6 + (Char16Length(Description) + 1) * 2;
    EFI_HANDLE App = NULL;
    Status = ST->BootServices->LoadImage(TRUE, ImageHandle, reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Option + PathOffset),
                                         NULL, 0, &App);
    LogEvent("boot setup-program %s load=%x", (UINT64)Name, Status);
    if (!EFI_ERROR(Status)) {
      Status = ST->BootServices->StartImage(App, NULL, NULL);
      LogEvent("boot setup-program returned %x", Status);
    }
    return;
  }
  LogEvent("boot setup-program not found");
}

}  // namespace

extern "C" EFI_STATUS EFIAPI BootMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST) {
  ST->BootServices->SetWatchdogTimer(0, 0, 0, NULL);
  EFI_RESET_SYSTEM FirmwareReset = ST->RuntimeServices->ResetSystem;
  CHAR8 Scenario[1024];
  UINTN Size = sizeof(Scenario) - 1;
  EFI_STATUS Status = ReadFileBesideImage(ImageHandle, ST, u"\\testbed\\scenario.txt", Scenario, &Size);
  if (EFI_ERROR(Status)) {
    Size = 0;
  }
  Scenario[Size] = 0;
  ST->RuntimeServices->SetVariable(u"QvScenario", &gTestbedVariableGuid,
                                   EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, Size, Scenario);
  LogEventsFromScenario(ST->RuntimeServices);
  LogEvent("boot scenario status=%x size=%d", Status, (UINT64)Size);

  if (ScenarioIs(ST->RuntimeServices, "mode", "dispatch")) {
    DispatchVolumeBeforeServices(ImageHandle, ST);
    LoadServices(ImageHandle, ST);
    DispatchAfterServices(ST);
    PowerOff(ST);
    return EFI_SUCCESS;
  }
  LoadServices(ImageHandle, ST);
  if (ScenarioIs(ST->RuntimeServices, "try-unsigned", "1")) {
    // Under Secure Boot the firmware must refuse an unsigned driver image.
    EFI_HANDLE Unsigned = NULL;
    Status = LoadAndStartImage(ImageHandle, ST, u"\\EFI\\QUORVANE\\UNSIGNED.EFI", &Unsigned);
    LogEvent("boot unsigned driver status=%x", Status);
  }
  BOOLEAN Diagnostics = ScenarioIs(ST->RuntimeServices, "driver", "diagnostics");
  EFI_HANDLE Driver = NULL;
  Status = LoadAndStartImage(ImageHandle, ST, Diagnostics ? u"\\EFI\\QUORVANE\\DIAG.EFI" : u"\\EFI\\QUORVANE\\QUORVANE.EFI",
                             &Driver);
  EFI_LOADED_IMAGE_PROTOCOL *DriverImage = NULL;
  if (Driver != NULL &&
      !EFI_ERROR(ST->BootServices->HandleProtocol(Driver, &gEfiLoadedImageProtocolGuid, (VOID **)&DriverImage))) {
    LogEvent("boot driver image-base=%x", (UINT64)DriverImage->ImageBase);
  }
  LogEvent("boot driver %a exit=%d status=%x", (UINT64)(Diagnostics ? "QuorvaneDiagnostics.efi" : "Quorvane.efi"),
           Status & 0xFFFFFFFFULL, Status);

  if (ScenarioIs(ST->RuntimeServices, "mode", "checks")) {
    RunChecks(ImageHandle, ST, Driver, FirmwareReset);
    PowerOff(ST);
    return EFI_SUCCESS;
  }
  // The form browser draws only the page's own rows and columns: whatever the
  // boot manager wrote before (its loading messages) would stay around the page
  // on a terminal larger than the page.
  ST->ConOut->ClearScreen(ST->ConOut);
  if (ScenarioIs(ST->RuntimeServices, "mode", "setup")) {
    RunSetup(ImageHandle, ST);
    RunPage(ST);
  } else {
    RunPage(ST);
  }
  return EFI_SUCCESS;
}
