// SPDX-License-Identifier: BSD-2-Clause-Patent
// Checks of the driver inside the firmware, reported as serial events.
#include "testbed/boot/checks.h"

#include "include/guids.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "include/protocols/platform_services.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/parity/parity_record.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

EFI_SYSTEM_TABLE *gSystem;
EFI_HII_CONFIG_ROUTING_PROTOCOL *mRouting;
UINT8 mDriverPath[64];
UINTN mDriverPathSize;
EFI_HANDLE mDriverHandle;

// A text being assembled in a fixed buffer.
struct Text {
  CHAR16 Data[2048];
  UINTN Length;
};
VOID AddHexBytes(Text *T, const VOID *Data, UINTN Size) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  for (UINTN Index = 0; Index < Size && T->Length + 3 < sizeof(T->Data) / 2; Index++) {
    T->Data[T->Length++] = u"0123456789abcdef"[Bytes[Index] >> 4];
    T->Data[T->Length++] = u"0123456789abcdef"[Bytes[Index] & 0xF];
  }
  T->Data[T->Length] = 0;
}
UINTN PathSize(const UINT8 *Path) {
  UINTN Size = 0;
  for (;;) {
    UINTN Length = (UINTN)Path[Size + 2] | ((UINTN)Path[Size + 3] << 8);
    if (Length < 4 || Size + Length > 64) {
      return 0;
    }
    Size += Length;
    if (Path[Size - Length] == END_DEVICE_PATH_TYPE && Path[Size - Length + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return Size;
    }
  }
}

// The package list, the driver handle and what is installed on it.
EFI_STATUS CheckStartUp() {
  EFI_BOOT_SERVICES *BS = gSystem->BootServices;
  QEL_FORM_SET_PROTOCOL *Record = NULL;
  EFI_STATUS Status = BS->LocateProtocol(&gQelFormSetProtocolGuid, NULL, reinterpret_cast<VOID **>(&Record));
  LogEvent("check form-set-record status=%x", Status);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  {
    Text Hex;
    Hex.Length = 0;
    AddHexBytes(&Hex, Record, 8);
    LogEvent("check form-set-record head=%s handle=%x", (UINT64)Hex.Data, (UINT64)Record->HiiHandle);
  }
  EFI_HII_DATABASE_PROTOCOL *Database = NULL;
  BS->LocateProtocol(&gEfiHiiDatabaseProtocolGuid, NULL, reinterpret_cast<VOID **>(&Database));
  UINTN Size = 0;
  Status = Database->ExportPackageLists(Database, Record->HiiHandle, &Size, NULL);
  UINT8 *List = NULL;
  if (Status == EFI_BUFFER_TOO_SMALL && !EFI_ERROR(BS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&List)))) {
    Status = Database->ExportPackageLists(Database, Record->HiiHandle, &Size,
                                          reinterpret_cast<EFI_HII_PACKAGE_LIST_HEADER *>(List));
  }
  if (!EFI_ERROR(Status) && List != NULL) {
    Text Guid;
    Guid.Length = 0;
    AddHexBytes(&Guid, List, 16);
    UINT32 Length;
    BS->CopyMem(&Length, List + 16, 4);
    LogEvent("check package-list exported=%d guid=%s", (UINT64)Length, (UINT64)Guid.Data);
    for (UINTN Offset = 20; Offset + 4 <= Length;) {
      UINT32 Header;
      BS->CopyMem(&Header, List + Offset, 4);
      UINT32 PackageLength = Header & 0xFFFFFF;
      LogEvent("check package type=%x length=%d", (UINT64)(Header >> 24), (UINT64)PackageLength);
      if (PackageLength < 4) {
        break;
      }
      Offset += PackageLength;
    }
    BS->FreePool(List);
  } else {
    LogEvent("check package-list status=%x", Status);
  }
  Status = Database->GetPackageListHandle(Database, Record->HiiHandle, &mDriverHandle);
  EFI_HANDLE DriverHandle = mDriverHandle;
  LogEvent("check driver-handle status=%x", Status);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  VOID *Interface = NULL;
  LogEvent("check driver-handle config-access=%x",
           BS->HandleProtocol(DriverHandle, &gEfiHiiConfigAccessProtocolGuid, &Interface));
  VOID *OnHandle = NULL;
  EFI_STATUS OnHandleStatus = BS->HandleProtocol(DriverHandle, &gQelFormSetProtocolGuid, &OnHandle);
  LogEvent("check driver-handle form-set-record=%x located=%x on-handle=%x", OnHandleStatus, (UINT64)Record,
           (UINT64)OnHandle);
  UINT8 *Path = NULL;
  Status = BS->HandleProtocol(DriverHandle, &gEfiDevicePathProtocolGuid, reinterpret_cast<VOID **>(&Path));
  if (!EFI_ERROR(Status)) {
    mDriverPathSize = PathSize(Path);
    BS->CopyMem(mDriverPath, Path, mDriverPathSize);
    Text Hex;
    Hex.Length = 0;
    AddHexBytes(&Hex, mDriverPath, mDriverPathSize);
    LogEvent("check driver-handle device-path=%s", (UINT64)Hex.Data);
  }
  return Status;
}

// ---------------------------------------------------------------- the parity record
PARITY_PLATFORM mParity;

// Stands in for the driver's configuration-access instance on the driver
// handle while the record is taken: the routing service finds it by the
// handle's device path, and it reports what routing handed the driver and
// what the driver answered.
EFI_HII_CONFIG_ACCESS_PROTOCOL mObserver;
UINTN mObservedStore;
const CHAR8 *mObservedCase = "";

EFI_STATUS EFIAPI ObservedExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Request,
                                        EFI_STRING *Progress, EFI_STRING *Results) {
  EFI_STRING Reached = NULL;
  EFI_STATUS Status = mParity.Driver->ExtractConfig(mParity.Driver, Request, &Reached, Results);
  ParityExtractLine(&mParity, "routing-driver", mObservedStore, mObservedCase, Request, Status, Reached,
                    EFI_ERROR(Status) || Results == NULL ? NULL : *Results);
  if (Reached != NULL) {
    *Progress = Reached;
  }
  return Status;
}

EFI_STATUS EFIAPI ObservedRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Configuration,
                                      EFI_STRING *Progress) {
  EFI_STRING Reached = NULL;
  EFI_STATUS Status = mParity.Driver->RouteConfig(mParity.Driver, Configuration, &Reached);
  ParityRouteLine(&mParity, "routing-driver", mObservedStore, mObservedCase, Configuration, Status, Reached);
  if (Reached != NULL) {
    *Progress = Reached;
  }
  return Status;
}

EFI_STATUS EFIAPI ObservedCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, EFI_BROWSER_ACTION Action,
                                   EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
                                   EFI_BROWSER_ACTION_REQUEST *ActionRequest) {
  return mParity.Driver->Callback(mParity.Driver, Action, QuestionId, Type, Value, ActionRequest);
}

VOID WriteParityLine(const CHAR8 *Line) { LogEvent("%a", (UINT64)Line); }

VOID ExtractThroughRouting(PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN HeaderOnly) {
  static PARITY_TEXT Request;
  ParityRoutingRequest(&Request, Platform, Store, HeaderOnly);
  mObservedStore = Store;
  mObservedCase = ParityRoutingCase(HeaderOnly);
  EFI_STRING Progress = NULL, Results = NULL;
  EFI_STATUS Status = mRouting->ExtractConfig(mRouting, Request.Data, &Progress, &Results);
  LogEvent("check extract %s %a status=%x results=%s", (UINT64)mParityStores[Store].Name,
           (UINT64)ParityRoutingCase(HeaderOnly), Status, (UINT64)(EFI_ERROR(Status) ? u"" : Results));
  if (Results != NULL) {
    gSystem->BootServices->FreePool(Results);
  }
}

VOID RouteThroughRouting(UINTN Store, UINTN Offset, UINT8 Value) {
  static PARITY_TEXT Configuration;
  ParityHeader(&Configuration, &mParity, Store);
  ParityAppend(&Configuration, u"&OFFSET=");
  ParityAppendHex(&Configuration, Offset, 4);
  ParityAppend(&Configuration, u"&WIDTH=0001&VALUE=");
  ParityAppendHex(&Configuration, Value, 2);
  mObservedStore = Store;
  mObservedCase = "route";
  EFI_STRING Progress = NULL;
  EFI_STATUS Status = mRouting->RouteConfig(mRouting, Configuration.Data, &Progress);
  LogEvent("check route %s offset=%d value=%x status=%x", (UINT64)mParityStores[Store].Name, (UINT64)Offset,
           (UINT64)Value, Status);
}

EFI_RESET_SYSTEM mFirmwareReset;

VOID RouteStoreThroughRouting(PARITY_PLATFORM *, UINTN Store, BOOLEAN) {
  RouteThroughRouting(Store, mParityStores[Store].RouteOffset, mParityStores[Store].RouteValue);
  if (mParityStores[Store].Guid == &gSetupVariableGuid) {
    LogEvent("check reset-replaced=%d", (UINT64)(gSystem->RuntimeServices->ResetSystem != mFirmwareReset));
  }
}

// Everything the record needs from this boot; with Observe, the observer
// takes the place of the driver's instance. FALSE when that fails.
BOOLEAN PrepareParity(BOOLEAN Observe) {
  EFI_BOOT_SERVICES *BS = gSystem->BootServices;
  mParity.System = gSystem;
  mParity.Routing = mRouting;
  BS->CopyMem(mParity.DriverPath, mDriverPath, mDriverPathSize);
  mParity.DriverPathSize = mDriverPathSize;
  mParity.WriteLine = WriteParityLine;
  mParity.ExtractThroughRouting = ExtractThroughRouting;
  mParity.RouteThroughRouting = RouteStoreThroughRouting;
  QEL_FORM_SET_PROTOCOL *Record = NULL;
  if (!EFI_ERROR(BS->LocateProtocol(&gQelFormSetProtocolGuid, NULL, reinterpret_cast<VOID **>(&Record)))) {
    mParity.HiiHandle = Record->HiiHandle;
  }
  TESTBED_UNLOCK_FORM_RECORD *Unlock = NULL;
  if (!EFI_ERROR(BS->LocateProtocol(&gTestbedUnlockFormRecordGuid, NULL, reinterpret_cast<VOID **>(&Unlock))) &&
      Unlock->Registered) {
    mParity.UnlockCallback = Unlock->Callback;
  }
  EFI_HII_CONFIG_ACCESS_PROTOCOL *Driver = NULL;
  EFI_STATUS Status = BS->HandleProtocol(mDriverHandle, &gEfiHiiConfigAccessProtocolGuid,
                                         reinterpret_cast<VOID **>(&Driver));
  if (!EFI_ERROR(Status)) {
    mParity.Driver = Driver;
  }
  if (!EFI_ERROR(Status) && Observe) {
    mObserver.ExtractConfig = ObservedExtractConfig;
    mObserver.RouteConfig = ObservedRouteConfig;
    mObserver.Callback = ObservedCallback;
    Status = BS->ReinstallProtocolInterface(mDriverHandle, &gEfiHiiConfigAccessProtocolGuid, Driver, &mObserver);
  }
  if (Observe) {
    LogEvent("check observer status=%x", Status);
  }
  return !EFI_ERROR(Status);
}

UINT8 SetupByte(UINTN Offset) {
  UINT8 Setup[868];
  UINTN Size = sizeof(Setup);
  if (EFI_ERROR(gSystem->RuntimeServices->GetVariable(u"Setup", &gSetupVariableGuid, NULL, &Size, Setup)) ||
      Offset >= Size) {
    return 0xFF;
  }
  return Setup[Offset];
}

VOID FinishAfterExitBootServices(EFI_HANDLE ImageHandle, EFI_RESET_SYSTEM FirmwareReset) {
  EFI_BOOT_SERVICES *BS = gSystem->BootServices;
  EFI_STATUS Status = EFI_NOT_READY;
  for (UINTN Attempt = 0; Attempt < 4 && EFI_ERROR(Status); Attempt++) {
    UINTN MapSize = 0, MapKey = 0, DescriptorSize = 0;
    UINT32 Version = 0;
    BS->GetMemoryMap(&MapSize, NULL, &MapKey, &DescriptorSize, &Version);
    MapSize += 8 * DescriptorSize;
    VOID *Map = NULL;
    if (EFI_ERROR(BS->AllocatePool(EfiLoaderData, MapSize, &Map))) {
      break;
    }
    Status = BS->GetMemoryMap(&MapSize, static_cast<EFI_MEMORY_DESCRIPTOR *>(Map), &MapKey, &DescriptorSize, &Version);
    if (!EFI_ERROR(Status)) {
      Status = BS->ExitBootServices(ImageHandle, MapKey);
    }
  }
  EFI_RESET_SYSTEM Current = gSystem->RuntimeServices->ResetSystem;
  LogEvent("check exit-boot-services status=%x reset-is-firmware=%d", Status, (UINT64)(Current == FirmwareReset));
  LogEvent("boot power-off");
  // Whatever the table holds, end the run through the firmware's own service.
  FirmwareReset(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
}

}  // namespace

VOID RunChecks(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST, EFI_HANDLE, EFI_RESET_SYSTEM FirmwareReset) {
  gSystem = ST;
  UINT8 Phase = 1;
  UINTN Size = sizeof(Phase);
  if (!EFI_ERROR(ST->RuntimeServices->GetVariable(u"QvPhase", &gTestbedVariableGuid, NULL, &Size, &Phase))) {
    ST->RuntimeServices->SetVariable(u"QvPhase", &gTestbedVariableGuid, 0, 0, NULL);
  }
  LogEvent("check phase=%d", (UINT64)Phase);
  if (EFI_ERROR(ST->BootServices->LocateProtocol(&gEfiHiiConfigRoutingProtocolGuid, NULL,
                                                 reinterpret_cast<VOID **>(&mRouting))) ||
      EFI_ERROR(CheckStartUp())) {
    LogEvent("check aborted");
    return;
  }
  if (Phase == 1) {
    mFirmwareReset = FirmwareReset;
    if (!PrepareParity(TRUE)) {
      LogEvent("check aborted");
      return;
    }
    RunParityRecord(&mParity);
    UINT8 Next = 2;
    ST->RuntimeServices->SetVariable(u"QvPhase", &gTestbedVariableGuid, 7, 1, &Next);
    LogEvent("check reset-requested");
    ST->RuntimeServices->ResetSystem(EfiResetWarm, EFI_SUCCESS, 0, NULL);
    LogEvent("check reset-returned");
    return;
  }
  // Second boot: the TXT change of the first boot is stored; switching TXT
  // back off is a change too, then boot services end.
  LogEvent("check setup-after-reset vt=%d txt=%d", (UINT64)SetupByte(377), (UINT64)SetupByte(703));
  PrepareParity(FALSE);
  RouteThroughRouting(0, 703, 0);
  LogEvent("check reset-replaced=%d", (UINT64)(ST->RuntimeServices->ResetSystem != FirmwareReset));
  LogEvent("check setup-after-switch-off vt=%d txt=%d", (UINT64)SetupByte(377), (UINT64)SetupByte(703));
  FinishAfterExitBootServices(ImageHandle, FirmwareReset);
}
