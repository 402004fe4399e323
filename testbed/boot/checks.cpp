#include "testbed/boot/checks.h"

#include "include/guids.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "include/protocols/platform_services.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

EFI_SYSTEM_TABLE *gSystem;
EFI_HII_CONFIG_ROUTING_PROTOCOL *mRouting;
UINT8 mDriverPath[64];
UINTN mDriverPathSize;

struct Store {
  const CHAR16 *Name;
  const EFI_GUID *Guid;
  UINTN Size;
  UINTN RouteOffset;  // the byte a routing check changes
  UINT8 RouteValue;
};
const Store kStores[] = {
    {u"Setup", &gSetupVariableGuid, 868, 703, 1},
    {u"TpmStatusVar", &gTpmStatusVarGuid, 82, 80, 1},
    {u"PbaStatusVar", &gPbaStatusVarGuid, 12, 11, 1},
    {u"StatusSetupVar", &gStatusSetupVarGuid, 99, 0, 0x5A},
    {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, 9, 0, 0x33},
    {u"System", &gSystemConfigurationGuid, 21, 17, 12},
    {u"UserManagerVar", &gUserManagerVarGuid, 5, 0, 0x44},
};

// A text being assembled in a fixed buffer.
struct Text {
  CHAR16 Data[2048];
  UINTN Length;
};
VOID Add(Text *T, const CHAR16 *S) {
  for (; *S != 0 && T->Length + 1 < sizeof(T->Data) / 2; S++) {
    T->Data[T->Length++] = *S;
  }
  T->Data[T->Length] = 0;
}
VOID AddHexBytes(Text *T, const VOID *Data, UINTN Size) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  for (UINTN Index = 0; Index < Size && T->Length + 3 < sizeof(T->Data) / 2; Index++) {
    T->Data[T->Length++] = u"0123456789abcdef"[Bytes[Index] >> 4];
    T->Data[T->Length++] = u"0123456789abcdef"[Bytes[Index] & 0xF];
  }
  T->Data[T->Length] = 0;
}
VOID AddHexNumber(Text *T, UINT64 Value, UINTN Digits) {
  CHAR16 Out[17];
  for (UINTN Index = 0; Index < Digits; Index++) {
    Out[Digits - 1 - Index] = u"0123456789abcdef"[(Value >> (4 * Index)) & 0xF];
  }
  Out[Digits] = 0;
  Add(T, Out);
}

// GUID=<bytes>&NAME=<four hex digits per character>&PATH=<device path bytes>
VOID AddHeader(Text *T, const Store *S) {
  T->Length = 0;
  Add(T, u"GUID=");
  AddHexBytes(T, S->Guid, sizeof(EFI_GUID));
  Add(T, u"&NAME=");
  for (const CHAR16 *C = S->Name; *C != 0; C++) {
    AddHexNumber(T, *C, 4);
  }
  Add(T, u"&PATH=");
  AddHexBytes(T, mDriverPath, mDriverPathSize);
}

VOID LogVariable(const CHAR8 *Label, const Store *S) {
  UINT8 Data[1024];
  UINTN Size = sizeof(Data);
  UINT32 Attributes = 0;
  EFI_STATUS Status = gSystem->RuntimeServices->GetVariable(S->Name, S->Guid, &Attributes, &Size, Data);
  Text Hex;
  Hex.Length = 0;
  Hex.Data[0] = 0;
  if (!EFI_ERROR(Status)) {
    AddHexBytes(&Hex, Data, Size);
  }
  LogEvent("variable %a %s status=%x attributes=%x size=%d data=%s", (UINT64)Label, (UINT64)S->Name, Status,
           (UINT64)Attributes, (UINT64)(EFI_ERROR(Status) ? 0 : Size), (UINT64)Hex.Data);
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
  EFI_HANDLE DriverHandle = NULL;
  Status = Database->GetPackageListHandle(Database, Record->HiiHandle, &DriverHandle);
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

VOID ExtractThroughRouting(const Store *S, BOOLEAN HeaderOnly) {
  Text Request;
  AddHeader(&Request, S);
  if (!HeaderOnly) {
    Add(&Request, u"&OFFSET=0&WIDTH=");
    AddHexNumber(&Request, S->Size, 4);
  }
  EFI_STRING Progress = NULL, Results = NULL;
  EFI_STATUS Status = mRouting->ExtractConfig(mRouting, Request.Data, &Progress, &Results);
  LogEvent("check extract %s %a status=%x results=%s", (UINT64)S->Name, (UINT64)(HeaderOnly ? "header" : "block"),
           Status, (UINT64)(EFI_ERROR(Status) ? u"" : Results));
  if (Results != NULL) {
    gSystem->BootServices->FreePool(Results);
  }
}

VOID RouteThroughRouting(const Store *S, UINTN Offset, UINT8 Value) {
  Text Configuration;
  AddHeader(&Configuration, S);
  Add(&Configuration, u"&OFFSET=");
  AddHexNumber(&Configuration, Offset, 4);
  Add(&Configuration, u"&WIDTH=0001&VALUE=");
  AddHexNumber(&Configuration, Value, 2);
  EFI_STRING Progress = NULL;
  EFI_STATUS Status = mRouting->RouteConfig(mRouting, Configuration.Data, &Progress);
  LogEvent("check route %s offset=%d value=%x status=%x", (UINT64)S->Name, (UINT64)Offset, (UINT64)Value, Status);
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
    for (const Store &S : kStores) {
      LogVariable("before", &S);
    }
    for (const Store &S : kStores) {
      ExtractThroughRouting(&S, TRUE);
      ExtractThroughRouting(&S, FALSE);
    }
    for (const Store &S : kStores) {
      LogVariable("extracted", &S);
    }
    for (const Store &S : kStores) {
      RouteThroughRouting(&S, S.RouteOffset, S.RouteValue);
      if (S.Guid == &gSetupVariableGuid) {
        LogEvent("check reset-replaced=%d", (UINT64)(ST->RuntimeServices->ResetSystem != FirmwareReset));
      }
    }
    for (const Store &S : kStores) {
      LogVariable("routed", &S);
    }
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
  RouteThroughRouting(&kStores[0], 703, 0);
  LogEvent("check reset-replaced=%d", (UINT64)(ST->RuntimeServices->ResetSystem != FirmwareReset));
  LogEvent("check setup-after-switch-off vt=%d txt=%d", (UINT64)SetupByte(377), (UINT64)SetupByte(703));
  FinishAfterExitBootServices(ImageHandle, FirmwareReset);
}
