// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hard-disk enumeration, placement on the six IDE positions and their security states.
#include "hdd/hdd_security_status.h"

#include "forms/security_page_ids.h"
#include "hdd/device_path_nodes.h"
#include "include/guids.h"
#include "include/protocols/pci_io.h"
#include "support/image_memory.h"
#include "support/memory.h"
#include "support/service_context.h"

HDD_PASSWORD_DEVICE_INFO *mHddDeviceList = NULL;
UINTN mHddDeviceCount = 0;
UINT16 *mHddPortOfDevice = NULL;
UINT8 mHddPortState[HDD_PORT_COUNT] = {HddPortState::NoDisk, HddPortState::NoDisk, HddPortState::NoDisk,
                                        HddPortState::NoDisk, HddPortState::NoDisk, HddPortState::NoDisk};

BOOLEAN HddPortDevicePathText(UINT16 Port, CHAR16 Text[HDD_PORT_TEXT_LENGTH]) {
  if (Port >= HDD_PORT_COUNT) {
    return FALSE;
  }
  // The six texts share their shape, so they are put together here rather
  // than stored: function 2 holds ports 0 to 3, function 5 ports 4 and 5; the
  // channel alternates with the port, the drive changes after two ports.
  const CHAR8 *const Pieces[] = {"PciRoot(0x0)/Pci(0x1f,0x", Port < 4 ? "2" : "5", ")/Ata(",
                                 (Port & 1) != 0 ? "Secondary" : "Primary",
                                 (Port & 2) != 0 ? ",Slave,0x0)" : ",Master,0x0)"};
  UINTN Count = 0;
  for (const CHAR8 *Piece : Pieces) {
    while (*Piece != 0) {
      Text[Count++] = (CHAR16)*Piece++;
    }
  }
  Text[Count] = 0;
  return TRUE;
}

EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL *mDevicePathFromText = NULL;

// Security state of one disk; the first rule that matches decides.
static UINT8 HddPortStateOf(const HDD_PASSWORD_DEVICE_INFO *Device) {
  UINT16 Status = Device->SecurityStatus;
  BOOLEAN UserSet = (Status & HDD_SECURITY_ENABLED) != 0;
  BOOLEAN MasterSet = Device->MasterPasswordId == HDD_MASTER_PASSWORD_SET_ID;
  if (Status == 0) {
    return HddPortState::Unsupported;
  }
  if ((Status & HDD_SECURITY_FROZEN) != 0) {
    return HddPortState::Frozen;
  }
  if ((Status & HDD_SECURITY_COUNT_EXPIRED) != 0) {
    return HddPortState::CountExpired;
  }
  if (MasterSet) {
    return UserSet ? HddPortState::UserMaster : HddPortState::Master;
  }
  return UserSet ? HddPortState::User : HddPortState::Cleared;
}

UINTN RefreshHddSecurityStatus(VOID) {
  if (mHddPassword == NULL) {
    return mHddDeviceCount;
  }
  HDD_PASSWORD_DEVICE_INFO *List =
      (HDD_PASSWORD_DEVICE_INFO *)AllocateClearedPool(HDD_MAX_DEVICES * sizeof(HDD_PASSWORD_DEVICE_INFO));
  if (List == NULL) {
    return mHddDeviceCount;
  }
  // The count goes to a local so that a failing service cannot pair the
  // previous list with a count of its own.
  UINTN Count = 0;
  if (EFI_ERROR(mHddPassword->GetDeviceInfoList(mHddPassword, &Count, List))) {
    // Keep the previous list, count and ports together: the port states shown
    // are still those of the last successful refresh.
    FreePoolIfPresent(List);
    return mHddDeviceCount;
  }
  // The service had room for six entries only; more cannot have been written.
  if (Count > HDD_MAX_DEVICES) {
    Count = HDD_MAX_DEVICES;
  }
  UINT16 *Ports = (UINT16 *)AllocateClearedPool(Count * sizeof(UINT16));
  if (Ports == NULL) {
    FreePoolIfPresent(List);
    return 0;
  }
  // The lists of the previous refresh are not referenced anywhere else.
  FreePoolIfPresent(mHddDeviceList);
  FreePoolIfPresent(mHddPortOfDevice);
  mHddDeviceList = List;
  mHddDeviceCount = Count;
  mHddPortOfDevice = Ports;

  for (UINTN Index = 0; Index < Count; Index++) {
    UINT16 Port;
    if (EFI_ERROR(GetHddPortNumber(&List[Index], &Port))) {
      Port = List[Index].Channel;
    }
    Ports[Index] = Port;
    if (Port < HDD_PORT_COUNT) {
      mHddPortState[Port] = HddPortStateOf(&List[Index]);
    }
  }
  return Count;
}

EFI_STATUS GetHddPortNumber(const HDD_PASSWORD_DEVICE_INFO *Device, UINT16 *Port) {
  if (Device == NULL || Port == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_DEVICE_PATH_PROTOCOL *ControllerPath;
  EFI_STATUS Status = gBS->HandleProtocol(Device->DeviceHandle, &gEfiDevicePathProtocolGuid, (VOID **)&ControllerPath);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  EFI_PCI_IO_PROTOCOL *PciIo;
  Status = gBS->HandleProtocol(Device->DeviceHandle, &gEfiPciIoProtocolGuid, (VOID **)&PciIo);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  // Only a controller in IDE mode sits behind the fixed positions.
  UINT8 Config[64];
  Status = PciIo->Pci.Read(PciIo, EfiPciIoWidthUint8, 0, sizeof(Config), Config);
  if (EFI_ERROR(Status) || Config[PCI_CLASS_CODE_OFFSET + 2] != PCI_CLASS_MASS_STORAGE ||
      Config[PCI_CLASS_CODE_OFFSET + 1] != PCI_CLASS_MASS_STORAGE_IDE) {
    return EFI_UNSUPPORTED;
  }

  ATAPI_DEVICE_PATH Ata;
  Ata.Header.Type = MESSAGING_DEVICE_PATH;
  Ata.Header.SubType = MSG_ATAPI_DP;
  Ata.Header.Length[0] = sizeof(ATAPI_DEVICE_PATH);
  Ata.Header.Length[1] = 0;
  Ata.PrimarySecondary = (UINT8)Device->Channel;
  Ata.SlaveMaster = (UINT8)Device->Device;
  Ata.Lun = 0;
  EFI_DEVICE_PATH_PROTOCOL *DiskPath = AppendDevicePathNode(ControllerPath, &Ata.Header);
  if (DiskPath == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = EFI_NOT_FOUND;
  CHAR16 PortText[HDD_PORT_TEXT_LENGTH];
  for (UINT16 Index = 0; HddPortDevicePathText(Index, PortText); Index++) {
    EFI_DEVICE_PATH_PROTOCOL *PortPath = NULL;
    if (EFI_ERROR(TextToDevicePath(PortText, &PortPath))) {
      continue;
    }
    BOOLEAN Match = IsDevicePathEqual(DiskPath, PortPath);
    FreePoolIfPresent(PortPath);
    if (Match) {
      *Port = Index;
      Status = EFI_SUCCESS;
      break;
    }
  }
  FreePoolIfPresent(DiskPath);
  return Status;
}

EFI_STATUS TextToDevicePath(const CHAR16 *Text, EFI_DEVICE_PATH_PROTOCOL **Path) {
  if (Path == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (mDevicePathFromText == NULL &&
      EFI_ERROR(gBS->LocateProtocol(&gEfiDevicePathFromTextProtocolGuid, NULL, (VOID **)&mDevicePathFromText))) {
    mDevicePathFromText = NULL;
    return EFI_NOT_READY;
  }
  *Path = mDevicePathFromText->ConvertTextToDevicePath(Text);
  return EFI_SUCCESS;
}

UINTN GetHddIndexFromPort(UINT16 Port) {
  if (mHddPortOfDevice == NULL) {
    return 0;
  }
  for (UINTN Index = 0; Index < mHddDeviceCount; Index++) {
    if (mHddPortOfDevice[Index] == Port) {
      return Index;
    }
  }
  return 0;
}
