// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hands a firmware volume holding Quorvane.ffs to the DXE dispatcher, before and after the testbed services.
#include "testbed/boot/dispatch.h"

#include "include/guids.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "include/protocols/loaded_image.h"
#include "include/protocols/platform_services.h"
#include "support/strings.h"
#include "testbed/include/dxe_services.h"
#include "testbed/support/image_loader.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

constexpr UINTN kVolumePages = 64;  // room for the volume: 256 KiB

EFI_DXE_SERVICES *mDxe;

EFI_DXE_SERVICES *FindDxeServices(EFI_SYSTEM_TABLE *ST) {
  for (UINTN Index = 0; Index < ST->NumberOfTableEntries; Index++) {
    if (GuidsEqual(&ST->ConfigurationTable[Index].VendorGuid, &gEfiDxeServicesTableGuid)) {
      return static_cast<EFI_DXE_SERVICES *>(ST->ConfigurationTable[Index].VendorTable);
    }
  }
  return NULL;
}

// Loaded images whose file path names the driver's firmware file: the
// dispatcher loads a driver only once its dependency expression holds.
UINTN DriverImagesFromVolume(EFI_BOOT_SERVICES *BS) {
  UINTN Count = 0;
  UINTN HandleCount = 0;
  EFI_HANDLE *Handles = NULL;
  if (EFI_ERROR(BS->LocateHandleBuffer(ByProtocol, &gEfiLoadedImageProtocolGuid, NULL, &HandleCount, &Handles))) {
    return 0;
  }
  for (UINTN Index = 0; Index < HandleCount; Index++) {
    EFI_LOADED_IMAGE_PROTOCOL *Image = NULL;
    if (EFI_ERROR(BS->HandleProtocol(Handles[Index], &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Image))) ||
        Image->FilePath == NULL) {
      continue;
    }
    const UINT8 *Node = reinterpret_cast<const UINT8 *>(Image->FilePath);
    if (Node[0] == MEDIA_DEVICE_PATH && Node[1] == MEDIA_PIWG_FW_FILE_DP &&
        GuidsEqual(reinterpret_cast<const EFI_GUID *>(Node + 4), &gQuorvaneFileGuid)) {
      Count++;
    }
  }
  BS->FreePool(Handles);
  return Count;
}

// Whether the HII database holds a package list under the page's GUID.
BOOLEAN PackageListRegistered(EFI_BOOT_SERVICES *BS) {
  EFI_HII_DATABASE_PROTOCOL *Database = NULL;
  if (EFI_ERROR(BS->LocateProtocol(&gEfiHiiDatabaseProtocolGuid, NULL, reinterpret_cast<VOID **>(&Database)))) {
    return FALSE;
  }
  UINTN Size = 0;
  UINT8 *Lists = NULL;
  EFI_STATUS Status = Database->ExportPackageLists(Database, NULL, &Size, NULL);
  if (Status != EFI_BUFFER_TOO_SMALL ||
      EFI_ERROR(BS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&Lists))) ||
      EFI_ERROR(Database->ExportPackageLists(Database, NULL, &Size, reinterpret_cast<EFI_HII_PACKAGE_LIST_HEADER *>(Lists)))) {
    return FALSE;
  }
  BOOLEAN Found = FALSE;
  for (UINTN Offset = 0; Offset + 20 <= Size && !Found;) {
    Found = GuidsEqual(reinterpret_cast<const EFI_GUID *>(Lists + Offset), &gSecurityPackageListGuid);
    UINT32 Length;
    BS->CopyMem(&Length, Lists + Offset + 16, 4);
    if (Length < 20) {
      break;
    }
    Offset += Length;
  }
  BS->FreePool(Lists);
  return Found;
}

VOID Report(EFI_SYSTEM_TABLE *ST, const CHAR8 *Phase, EFI_STATUS DispatchStatus) {
  EFI_BOOT_SERVICES *BS = ST->BootServices;
  VOID *Record = NULL;
  EFI_STATUS RecordStatus = BS->LocateProtocol(&gQelFormSetProtocolGuid, NULL, &Record);
  LogEvent("dispatch %a dispatch=%x driver-images=%d form-set-record=%x package-list=%d", (UINT64)Phase,
           DispatchStatus, (UINT64)DriverImagesFromVolume(BS), RecordStatus, (UINT64)PackageListRegistered(BS));
}

VOID AppendHex(CHAR16 *Text, UINTN *Length, const VOID *Data, UINTN Size) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  for (UINTN Index = 0; Index < Size; Index++) {
    Text[(*Length)++] = u"0123456789abcdef"[Bytes[Index] >> 4];
    Text[(*Length)++] = u"0123456789abcdef"[Bytes[Index] & 0xF];
  }
  Text[*Length] = 0;
}

VOID Append(CHAR16 *Text, UINTN *Length, const CHAR16 *Tail) {
  while (*Tail != 0) {
    Text[(*Length)++] = *Tail++;
  }
  Text[*Length] = 0;
}

// One extraction of the first byte of "PbaStatusVar" through the firmware's
// configuration routing, which finds the driver by its handle's device path.
VOID ExtractOneStore(EFI_SYSTEM_TABLE *ST) {
  EFI_BOOT_SERVICES *BS = ST->BootServices;
  QEL_FORM_SET_PROTOCOL *Record = NULL;
  EFI_HII_DATABASE_PROTOCOL *Database = NULL;
  EFI_HII_CONFIG_ROUTING_PROTOCOL *Routing = NULL;
  EFI_HANDLE DriverHandle = NULL;
  const UINT8 *Path = NULL;
  EFI_STATUS Status = BS->LocateProtocol(&gQelFormSetProtocolGuid, NULL, reinterpret_cast<VOID **>(&Record));
  if (!EFI_ERROR(Status)) {
    Status = BS->LocateProtocol(&gEfiHiiDatabaseProtocolGuid, NULL, reinterpret_cast<VOID **>(&Database));
  }
  if (!EFI_ERROR(Status)) {
    Status = BS->LocateProtocol(&gEfiHiiConfigRoutingProtocolGuid, NULL, reinterpret_cast<VOID **>(&Routing));
  }
  if (!EFI_ERROR(Status)) {
    Status = Database->GetPackageListHandle(Database, Record->HiiHandle, &DriverHandle);
  }
  if (!EFI_ERROR(Status)) {
    Status = BS->HandleProtocol(DriverHandle, &gEfiDevicePathProtocolGuid, (VOID **)&Path);
  }
  if (EFI_ERROR(Status)) {
    LogEvent("dispatch extract unavailable status=%x", Status);
    return;
  }
  static CHAR16 Request[512];
  UINTN Length = 0;
  Append(Request, &Length, u"GUID=");
  AppendHex(Request, &Length, &gPbaStatusVarGuid, sizeof(EFI_GUID));
  Append(Request, &Length, u"&NAME=");
  static const CHAR16 kName[] = u"PbaStatusVar";
  for (UINTN Index = 0; kName[Index] != 0; Index++) {
    UINT8 Digits[2] = {(UINT8)(kName[Index] >> 8), (UINT8)kName[Index]};
    AppendHex(Request, &Length, Digits, 2);
  }
  Append(Request, &Length, u"&PATH=");
  UINTN PathSize = 0;
  while (!(Path[PathSize] == END_DEVICE_PATH_TYPE && Path[PathSize + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) &&
         PathSize < 128) {
    PathSize += (UINTN)Path[PathSize + 2] | ((UINTN)Path[PathSize + 3] << 8);
  }
  AppendHex(Request, &Length, Path, PathSize + END_DEVICE_PATH_LENGTH);
  Append(Request, &Length, u"&OFFSET=0000&WIDTH=0001");
  EFI_STRING Progress = NULL, Results = NULL;
  Status = Routing->ExtractConfig(Routing, Request, &Progress, &Results);
  LogEvent("dispatch extract PbaStatusVar status=%x results=%s", Status, (UINT64)(EFI_ERROR(Status) ? u"" : Results));
  if (!EFI_ERROR(Status) && Results != NULL) {
    BS->FreePool(Results);
  }
}

}  // namespace

VOID DispatchVolumeBeforeServices(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *ST) {
  EFI_BOOT_SERVICES *BS = ST->BootServices;
  mDxe = FindDxeServices(ST);
  if (mDxe == NULL) {
    LogEvent("dispatch no DXE services table");
    return;
  }
  EFI_PHYSICAL_ADDRESS Address = 0;
  EFI_STATUS Status = BS->AllocatePages(AllocateAnyPages, EfiBootServicesData, kVolumePages, &Address);
  UINTN Size = kVolumePages * 4096;
  if (!EFI_ERROR(Status)) {
    Status = ReadFileBesideImage(ImageHandle, ST, u"\\testbed\\dispatch.fv", reinterpret_cast<VOID *>(Address), &Size);
  }
  LogEvent("dispatch volume read status=%x size=%d", Status, (UINT64)Size);
  if (EFI_ERROR(Status)) {
    return;
  }
  EFI_HANDLE Volume = NULL;
  Status = mDxe->ProcessFirmwareVolume(reinterpret_cast<VOID *>(Address), Size, &Volume);
  LogEvent("dispatch process-firmware-volume status=%x", Status);
  if (EFI_ERROR(Status)) {
    return;
  }
  Report(ST, "before", mDxe->Dispatch());
}

VOID DispatchAfterServices(EFI_SYSTEM_TABLE *ST) {
  if (mDxe == NULL) {
    return;
  }
  Report(ST, "after", mDxe->Dispatch());
  ExtractOneStore(ST);
}
