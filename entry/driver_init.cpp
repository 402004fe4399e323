// SPDX-License-Identifier: BSD-2-Clause-Patent
// DxeMain: locate services, register the Security page, install its services.
#include "entry/driver_init.h"

#include <stdarg.h>

#include "callback/security_callback.h"
#include "config/security_config_access.h"
#include "entry/unlock_form_text.h"
#include "forms/security_packages.h"
#include "forms/security_page_ids.h"
#include "include/device_path.h"
#include "include/guids.h"
#include "include/protocols/platform_services.h"
#include "support/diagnostics.h"
#include "support/image_memory.h"
#include "support/memory.h"
#include "support/service_context.h"

const EFI_HII_CONFIG_ACCESS_PROTOCOL mSecurityConfigAccess = {
    SecurityExtractConfig,
    SecurityRouteConfig,
    SecurityCallback,
};

namespace {

UINT32 ReadUint32(const UINT8 *Bytes) {
  return (UINT32)Bytes[0] | ((UINT32)Bytes[1] << 8) | ((UINT32)Bytes[2] << 16) | ((UINT32)Bytes[3] << 24);
}

// Kept out of line: start-up locates nine services, and one call per service
// is smaller than the boot-service call spelled out nine times.
__attribute__((noinline)) EFI_STATUS Locate(const EFI_GUID &Protocol, VOID *Interface) {
  return gBS->LocateProtocol(&Protocol, NULL, static_cast<VOID **>(Interface));
}

}  // namespace

EFI_HII_PACKAGE_LIST_HEADER *PreparePackageList(UINTN NumberOfPackages, const EFI_GUID *PackageListGuid, ...) {
  va_list Packages;
  UINT32 Total = sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  va_start(Packages, PackageListGuid);
  for (UINTN Index = 0; Index < NumberOfPackages; Index++) {
    Total += ReadUint32(va_arg(Packages, const UINT8 *)) - sizeof(UINT32);
  }
  va_end(Packages);
  Total += sizeof(UINT32);  // end package

  UINT8 *List = static_cast<UINT8 *>(AllocateClearedPool(Total));
  if (List == NULL) {
    return NULL;
  }
  EFI_HII_PACKAGE_LIST_HEADER *Header = reinterpret_cast<EFI_HII_PACKAGE_LIST_HEADER *>(List);
  Header->PackageListGuid = *PackageListGuid;
  Header->PackageLength = Total;

  UINT8 *Cursor = List + sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  va_start(Packages, PackageListGuid);
  for (UINTN Index = 0; Index < NumberOfPackages; Index++) {
    const UINT8 *Array = va_arg(Packages, const UINT8 *);
    UINT32 Length = ReadUint32(Array) - sizeof(UINT32);
    gBS->CopyMem(Cursor, Array + sizeof(UINT32), Length);
    Cursor += Length;
  }
  va_end(Packages);
  const UINT32 End = END_PACKAGE_HEADER;
  gBS->CopyMem(Cursor, &End, sizeof(End));
  return Header;
}

EFI_STATUS CreateHiiDriverHandle(EFI_HANDLE *DriverHandle) {
  HII_VENDOR_DEVICE_PATH *Path = static_cast<HII_VENDOR_DEVICE_PATH *>(AllocateImageDataPool(sizeof(HII_VENDOR_DEVICE_PATH)));
  if (Path == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  Path->Header.Type = HARDWARE_DEVICE_PATH;
  Path->Header.SubType = HW_VENDOR_DP;
  Path->Header.Length[0] = (UINT8)(sizeof(VENDOR_DEVICE_PATH) + sizeof(UINT64));
  Path->Header.Length[1] = 0;
  Path->Guid = gEfiHiiDatabaseProtocolGuid;
  UINT64 Count = 0;
  gBS->GetNextMonotonicCount(&Count);  // a failure still leaves a well-formed path
  Path->UniqueId = Count;
  // The end node sits where the vendor node's length says it ends.
  EFI_DEVICE_PATH_PROTOCOL *End =
      reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(reinterpret_cast<UINT8 *>(Path) + Path->Header.Length[0]);
  End->Type = END_DEVICE_PATH_TYPE;
  End->SubType = END_ENTIRE_DEVICE_PATH_SUBTYPE;
  End->Length[0] = END_DEVICE_PATH_LENGTH;
  End->Length[1] = 0;

  *DriverHandle = NULL;
  EFI_STATUS Status = gBS->InstallProtocolInterface(DriverHandle, &gEfiDevicePathProtocolGuid, EFI_NATIVE_INTERFACE, Path);
  if (EFI_ERROR(Status)) {
    // Not installed, so nothing refers to the path.
    FreePoolIfPresent(Path);
    return Status;
  }
  return EFI_SUCCESS;
}

EFI_STATUS InstallSecurityConfigAccess(EFI_HANDLE DriverHandle) {
  EFI_HANDLE Handle = DriverHandle;
  return gBS->InstallProtocolInterface(&Handle, &gEfiHiiConfigAccessProtocolGuid, EFI_NATIVE_INTERFACE,
                                       const_cast<EFI_HII_CONFIG_ACCESS_PROTOCOL *>(&mSecurityConfigAccess));
}

EFI_STATUS InitializePbaVariables(VOID) {
  EFI_STATUS Status = Locate(gEfiUserManagerProtocolGuid, &mUserManager);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Status = Locate(gQelUserManagerProtocolGuid, &mQelUserManager);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  UINTN HandleCount = 0;
  EFI_HANDLE *Handles = NULL;
  Status = gBS->LocateHandleBuffer(ByProtocol, &gCredentialProviderProtocolGuid, NULL, &HandleCount, &Handles);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  // Only the presence of a credential provider matters; the buffer is not kept.
  FreePoolIfPresent(Handles);
  return Status;
}

EFI_STATUS DxeMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  (void)ImageHandle;
  (void)SystemTable;

  EFI_STATUS Status = Locate(gEfiHiiDatabaseProtocolGuid, &mHiiDatabase);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to locate HII Database protocol\n");
    return Status;
  }
  Status = Locate(gEfiHiiConfigRoutingProtocolGuid, &mHiiConfigRouting);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to locate HII Config Routing protocol\n");
    return Status;
  }
  Status = Locate(gEfiFormBrowser2ProtocolGuid, &mFormBrowser2);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to locate Form browser 2 protocol\n");
    return Status;
  }
  Status = Locate(gHddPasswordProtocolGuid, &mHddPassword);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to locate Hard disk password Protocol\n");
    return Status;
  }
  Status = Locate(gHddPasswordUiProtocolGuid, &mHddPasswordUi);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to locate Hard disk password UI Protocol\n");
    return Status;
  }
  Status = InitializePbaVariables();
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to Initialize Pba Variables\n");
    return Status;
  }

  EFI_HII_PACKAGE_LIST_HEADER *PackageList =
      PreparePackageList(2, &gSecurityFormSetGuid, gSecurityStringPackages, gSecurityFormPackage);
  if (PackageList == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  PackageList->PackageListGuid = gSecurityPackageListGuid;

  // Without a device path the page is still registered, on a handle of its own.
  mDriverHandle = NULL;
  CreateHiiDriverHandle(&mDriverHandle);

  Status = mHiiDatabase->NewPackageList(mHiiDatabase, PackageList, mDriverHandle, &mHiiHandle);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to add HII data. Exit (%r)\n", QV_DIAG_ARG(Status));
    FreePoolIfPresent(PackageList);
    return Status;
  }
  FreePoolIfPresent(PackageList);  // the HII database keeps its own copy

  Status = InstallSecurityConfigAccess(mDriverHandle);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Failed to install Config Access. Exit (%r)\n", QV_DIAG_ARG(Status));
    return Status;
  }

  QEL_FORM_SET_PROTOCOL *FormSet = static_cast<QEL_FORM_SET_PROTOCOL *>(AllocateImageDataPool(sizeof(QEL_FORM_SET_PROTOCOL)));
  if (FormSet == NULL) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Out of memory\n");
    return EFI_OUT_OF_RESOURCES;
  }
  FormSet->Size = sizeof(QEL_FORM_SET_PROTOCOL);
  FormSet->Type = QEL_FORM_SET_TYPE_SETUP_PAGE;
  FormSet->Reserved = 0;
  FormSet->HiiHandle = mHiiHandle;
  Status = gBS->InstallProtocolInterface(&mDriverHandle, &gQelFormSetProtocolGuid, EFI_NATIVE_INTERFACE, FormSet);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: Unable to install Qel Form Set protocol. Exit (%r)\n", QV_DIAG_ARG(Status));
    FreePoolIfPresent(FormSet);  // not installed, so no component can read it
    return Status;
  }

  Status = Locate(gEfiUserManagerProtocolGuid, &mUserManager);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: LocateProtocol (gEfiUserManagerProtocolGuid) returned %x\n", QV_DIAG_ARG(Status));
    return Status;
  }
  Status = Locate(gQelUserManagerProtocolGuid, &mQelUserManager);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: LocateProtocol (gQelUserManagerProtocolGuid) returned %r\n", QV_DIAG_ARG(Status));
    return Status;
  }
  Status = mQelUserManager->RegisterUnlockForm(mQelUserManager, mHiiHandle, &gSecurityFormSetGuid, SecurityForm::Lockout,
                                               STR_SYSTEM_LOCKED, STR_LOCKOUT_TEXT,
                                               UnlockFormCallback);
  if (EFI_ERROR(Status)) {
    QV_DIAG("ERROR. Quorvane.DxeMain: RegisterUnlockForm failed, Status = %r\n", QV_DIAG_ARG(Status));
    return Status;
  }

  // A missing block is tolerated here: the callback answers the questions that
  // need it with EFI_OUT_OF_RESOURCES instead of touching it.
  UserManagerState = static_cast<UINT8 *>(AllocateClearedPool(UserManagerVar::Size));
  return EFI_SUCCESS;
}
