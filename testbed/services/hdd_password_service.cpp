// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hard-disk password services of the testbed platform, one driver image:
//  - the hard-disk password service: GetDeviceInfoList (entry 7) walks every
//    ATA pass-through controller of the machine, issues IDENTIFY DEVICE to
//    each device and reports word 128 (security status) and word 92 (master
//    password identifier), the model name, and the position: Channel is the
//    pass-through port (IDE channel, or SATA port), Device the port
//    multiplier port (IDE master/slave; 0 on a directly attached SATA disk);
//  - the hard-disk password UI service with its own form set (the GUID of the
//    UI protocol, form 0x1001): the disk's name in a string the caller fills,
//    and a password entry that asks twice and sets the password with ATA
//    SECURITY SET PASSWORD when the disk supports the feature.
// With the scenario key "hdd-security" every disk answers through the
// software model of the ATA security feature set (ata_security_model.h).
#include "include/device_path.h"
#include "include/guids.h"
#include "include/protocols/form_browser2.h"
#include "include/protocols/hdd_password.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/services/ata_security_model.h"
#include "testbed/support/console_dialog.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

constexpr UINTN kMaxDevices = 6;
constexpr UINTN kNameLength = 40;
constexpr UINT16 kNoPortMultiplier = 0xFFFF;

EFI_SYSTEM_TABLE *gSystem;

struct DiskSlot {
  EFI_ATA_PASS_THRU_PROTOCOL *PassThru;
  UINT16 Port;
  UINT16 PortMultiplier;
  UINT16 Identify[256];
  CHAR8 Name[kNameLength + 1];
};
DiskSlot mDisks[kMaxDevices];
UINTN mDiskCount;

// IDENTIFY DEVICE into Slot->Identify through the controller's pass-through.
EFI_STATUS IdentifyDevice(DiskSlot *Slot) {
  EFI_ATA_PASS_THRU_PROTOCOL *PassThru = Slot->PassThru;
  EFI_PHYSICAL_ADDRESS Page = 0xFFFFFFFFULL;
  EFI_STATUS Status = gSystem->BootServices->AllocatePages(AllocateMaxAddress, EfiBootServicesData, 1, &Page);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  // A page below 4 GiB suits every controller's alignment and DMA reach.
  UINT8 *Buffer = reinterpret_cast<UINT8 *>(Page);
  EFI_ATA_COMMAND_BLOCK Acb;
  EFI_ATA_STATUS_BLOCK Asb;
  gSystem->BootServices->SetMem(&Acb, sizeof(Acb), 0);
  gSystem->BootServices->SetMem(&Asb, sizeof(Asb), 0);
  gSystem->BootServices->SetMem(Buffer, 512, 0);
  Acb.AtaCommand = ATA_CMD_IDENTIFY_DEVICE;
  Acb.AtaDeviceHead = (UINT8)(0xE0 | (Slot->PortMultiplier == 1 ? 0x10 : 0));
  EFI_ATA_PASS_THRU_COMMAND_PACKET Packet;
  gSystem->BootServices->SetMem(&Packet, sizeof(Packet), 0);
  Packet.Asb = &Asb;
  Packet.Acb = &Acb;
  Packet.Timeout = 30000000;  // 3 s
  Packet.InDataBuffer = Buffer;
  Packet.InTransferLength = 512;
  Packet.Protocol = EFI_ATA_PASS_THRU_PROTOCOL_PIO_DATA_IN;
  Packet.Length = EFI_ATA_PASS_THRU_LENGTH_BYTES | EFI_ATA_PASS_THRU_LENGTH_SECTOR_COUNT;
  Status = PassThru->PassThru(PassThru, Slot->Port, Slot->PortMultiplier, &Packet, NULL);
  if (!EFI_ERROR(Status)) {
    gSystem->BootServices->CopyMem(Slot->Identify, Buffer, 512);
    // Words 27-46: the model, two characters per word, high byte first.
    UINTN Out = 0;
    for (UINTN Word = 27; Word <= 46 && Out + 1 < sizeof(Slot->Name); Word++) {
      Slot->Name[Out++] = (CHAR8)(Slot->Identify[Word] >> 8);
      Slot->Name[Out++] = (CHAR8)(Slot->Identify[Word] & 0xFF);
    }
    while (Out > 0 && (Slot->Name[Out - 1] == ' ' || Slot->Name[Out - 1] == 0)) {
      Out--;
    }
    Slot->Name[Out] = 0;
  }
  gSystem->BootServices->FreePages(Page, 1);
  return Status;
}

EFI_HANDLE mControllerOf[kMaxDevices];

EFI_STATUS EFIAPI HddUnused(HDD_PASSWORD_PROTOCOL *) { return EFI_UNSUPPORTED; }

EFI_STATUS EFIAPI GetDeviceInfoList(HDD_PASSWORD_PROTOCOL *, UINTN *Count, HDD_PASSWORD_DEVICE_INFO *List) {
  if (Count == NULL || List == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN HandleCount = 0;
  EFI_HANDLE *Handles = NULL;
  mDiskCount = 0;
  if (!EFI_ERROR(gSystem->BootServices->LocateHandleBuffer(ByProtocol, &gEfiAtaPassThruProtocolGuid, NULL,
                                                           &HandleCount, &Handles))) {
    for (UINTN Controller = 0; Controller < HandleCount && mDiskCount < kMaxDevices; Controller++) {
      EFI_ATA_PASS_THRU_PROTOCOL *PassThru = NULL;
      if (EFI_ERROR(gSystem->BootServices->HandleProtocol(Handles[Controller], &gEfiAtaPassThruProtocolGuid,
                                                          reinterpret_cast<VOID **>(&PassThru)))) {
        continue;
      }
      UINT16 Port = 0xFFFF;
      while (mDiskCount < kMaxDevices && !EFI_ERROR(PassThru->GetNextPort(PassThru, &Port))) {
        UINT16 Multiplier = 0xFFFF;
        while (mDiskCount < kMaxDevices && !EFI_ERROR(PassThru->GetNextDevice(PassThru, Port, &Multiplier))) {
          DiskSlot *Slot = &mDisks[mDiskCount];
          Slot->PassThru = PassThru;
          Slot->Port = Port;
          Slot->PortMultiplier = Multiplier;
          // ATAPI devices (CD-ROM drives) refuse IDENTIFY DEVICE: not disks.
          if (!EFI_ERROR(IdentifyDevice(Slot))) {
            if (AtaSecurityModelActive()) {
              AtaSecurityModelApply(Slot->Identify);
            }
            mControllerOf[mDiskCount] = Handles[Controller];
            mDiskCount++;
          }
        }
      }
    }
    gSystem->BootServices->FreePool(Handles);
  }
  for (UINTN Index = 0; Index < mDiskCount; Index++) {
    DiskSlot *Slot = &mDisks[Index];
    HDD_PASSWORD_DEVICE_INFO *Entry = &List[Index];
    Entry->DeviceHandle = mControllerOf[Index];
    Entry->DeviceName = Slot->Name;
    Entry->Channel = Slot->Port;
    Entry->Device = Slot->PortMultiplier == kNoPortMultiplier ? 0 : Slot->PortMultiplier;
    Entry->SecurityStatus = Slot->Identify[128];
    Entry->MasterPasswordId = Slot->Identify[92];
    LogEvent("hdd device=%d channel=%d device=%d word128=%x word92=%x name=%a", (UINT64)Index, (UINT64)Entry->Channel,
             (UINT64)Entry->Device, (UINT64)Entry->SecurityStatus, (UINT64)Entry->MasterPasswordId,
             (UINT64)Entry->DeviceName);
  }
  *Count = mDiskCount;
  LogEvent("hdd GetDeviceInfoList count=%d", (UINT64)mDiskCount);
  return EFI_SUCCESS;
}

HDD_PASSWORD_PROTOCOL mHddPassword = {HddUnused, HddUnused, HddUnused, HddUnused,
                                      HddUnused, HddUnused, HddUnused, GetDeviceInfoList};

// ---------------------------------------------------------------- UI service
enum : EFI_STRING_ID {
  kStrLanguageName = 1,
  kStrTitle,
  kStrEmpty,
  kStrDeviceName,
  kStrDeviceLabel,
  kStrEnter,
  kStrEnterHelp,
};
const CHAR16 *const kStrings[] = {u"English", u"Hard Disk Password", u"", u"", u"Hard Disk:",
                                  u"Enter Password", u"Sets the password of this hard disk."};
constexpr EFI_QUESTION_ID kEnterQuestion = 0x1101;

HDD_PASSWORD_UI_PROTOCOL mHddPasswordUi;

// A growing byte buffer in pool memory for the package list.
struct Bytes {
  UINT8 *Data;
  UINTN Size;
  UINTN Capacity;
};

VOID Put(Bytes *B, const VOID *Data, UINTN Size) {
  if (B->Size + Size > B->Capacity) {
    return;
  }
  gSystem->BootServices->CopyMem(B->Data + B->Size, const_cast<VOID *>(Data), Size);
  B->Size += Size;
}
VOID Put8(Bytes *B, UINT8 Value) { Put(B, &Value, 1); }
VOID Put16(Bytes *B, UINT16 Value) { Put(B, &Value, 2); }
VOID Put32(Bytes *B, UINT32 Value) { Put(B, &Value, 4); }
VOID PutOp(Bytes *B, UINT8 OpCode, UINT8 Length, BOOLEAN Scope) {
  Put8(B, OpCode);
  Put8(B, (UINT8)(Length | (Scope ? 0x80 : 0)));
}
VOID PatchLength(Bytes *B, UINTN At, UINT8 Type) {
  UINT32 Header = (UINT32)(B->Size - At) | ((UINT32)Type << 24);
  gSystem->BootServices->CopyMem(B->Data + At, &Header, 4);
}

// One English string package, then the forms package of form 0x1001:
//   "Hard Disk:" <device name>   (text)
//   "Enter Password"             (action, callback)
VOID BuildPackageList(Bytes *B) {
  Put(B, &gHddPasswordUiProtocolGuid, sizeof(EFI_GUID));
  Put32(B, 0);  // list length, patched at the end
  UINTN Strings = B->Size;
  Put32(B, 0);
  const CHAR8 kLanguage[] = "en-US";
  UINT32 HeaderSize = 4 + 4 + 4 + 32 + 2 + sizeof(kLanguage);
  Put32(B, HeaderSize);
  Put32(B, HeaderSize);
  for (UINTN Index = 0; Index < 16; Index++) {
    Put16(B, 0);
  }
  Put16(B, kStrLanguageName);
  Put(B, kLanguage, sizeof(kLanguage));
  for (const CHAR16 *Text : kStrings) {
    Put8(B, EFI_HII_SIBT_STRING_UCS2);
    Put(B, Text, (Char16Length(Text) + 1) * sizeof(CHAR16));
  }
  Put8(B, EFI_HII_SIBT_END);
  PatchLength(B, Strings, EFI_HII_PACKAGE_STRINGS);

  UINTN Forms = B->Size;
  Put32(B, 0);
  // FORM_SET without class GUID: opened by the Security page, not listed
  // among the setup program's pages.
  PutOp(B, 0x0E, 23, TRUE);
  Put(B, &gHddPasswordUiProtocolGuid, sizeof(EFI_GUID));
  Put16(B, kStrTitle);
  Put16(B, kStrEmpty);
  Put8(B, 0);
  PutOp(B, 0x01, 6, TRUE);  // FORM
  Put16(B, HDD_PASSWORD_UI_FORM_ID);
  Put16(B, kStrTitle);
  PutOp(B, 0x03, 8, FALSE);  // TEXT
  Put16(B, kStrDeviceLabel);
  Put16(B, kStrEmpty);
  Put16(B, kStrDeviceName);
  PutOp(B, 0x0C, 13, FALSE);  // ACTION without configuration text
  Put16(B, kStrEnter);
  Put16(B, kStrEnterHelp);
  Put16(B, kEnterQuestion);
  Put16(B, 0);       // no varstore
  Put16(B, 0xFFFF);  // no offset
  Put8(B, 0x04);     // callback
  PutOp(B, 0x29, 2, FALSE);  // END form
  PutOp(B, 0x29, 2, FALSE);  // END form set
  PatchLength(B, Forms, EFI_HII_PACKAGE_FORMS);
  Put32(B, 0xDF000004);
  UINT32 Total = (UINT32)B->Size;
  gSystem->BootServices->CopyMem(B->Data + 16, &Total, 4);
}

// SECURITY SET PASSWORD (0xF1) with the 512-byte data block: word 0 bit 0
// selects the master password, words 1-16 hold the password.
EFI_STATUS SetDiskPassword(DiskSlot *Slot, UINT32 Kind, const CHAR16 *Password) {
  if (AtaSecurityModelActive()) {
    return AtaSecurityModelSetPassword(Kind == HDD_PASSWORD_KIND_MASTER);
  }
  EFI_PHYSICAL_ADDRESS Page = 0xFFFFFFFFULL;
  EFI_STATUS Status = gSystem->BootServices->AllocatePages(AllocateMaxAddress, EfiBootServicesData, 1, &Page);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  UINT8 *Block = reinterpret_cast<UINT8 *>(Page);
  gSystem->BootServices->SetMem(Block, 512, 0);
  Block[0] = Kind == HDD_PASSWORD_KIND_MASTER ? 1 : 0;
  for (UINTN Index = 0; Index < 32 && Password[Index] != 0; Index++) {
    Block[2 + Index] = (UINT8)Password[Index];
  }
  EFI_ATA_COMMAND_BLOCK Acb;
  EFI_ATA_STATUS_BLOCK Asb;
  gSystem->BootServices->SetMem(&Acb, sizeof(Acb), 0);
  gSystem->BootServices->SetMem(&Asb, sizeof(Asb), 0);
  Acb.AtaCommand = 0xF1;
  Acb.AtaDeviceHead = (UINT8)(0xE0 | (Slot->PortMultiplier == 1 ? 0x10 : 0));
  EFI_ATA_PASS_THRU_COMMAND_PACKET Packet;
  gSystem->BootServices->SetMem(&Packet, sizeof(Packet), 0);
  Packet.Asb = &Asb;
  Packet.Acb = &Acb;
  Packet.Timeout = 30000000;
  Packet.OutDataBuffer = Block;
  Packet.OutTransferLength = 512;
  Packet.Protocol = 0x05;  // PIO data-out
  Packet.Length = EFI_ATA_PASS_THRU_LENGTH_BYTES | EFI_ATA_PASS_THRU_LENGTH_SECTOR_COUNT;
  Status = Slot->PassThru->PassThru(Slot->PassThru, Slot->Port, Slot->PortMultiplier, &Packet, NULL);
  gSystem->BootServices->SetMem(Block, 512, 0);
  gSystem->BootServices->FreePages(Page, 1);
  return Status;
}

VOID RunPasswordEntry() {
  UINT32 Kind = mHddPasswordUi.PasswordKind;
  UINT64 Index = mHddPasswordUi.DeviceIndex;
  const CHAR16 *Title = Kind == HDD_PASSWORD_KIND_MASTER ? u"Set Hard Disk Master Password" : u"Set Hard Disk User Password";
  CHAR16 First[33], Second[33];
  EFI_STATUS Status = ReadPassword(gSystem, Title, u"Enter New Password:", First, 32);
  if (!EFI_ERROR(Status)) {
    Status = ReadPassword(gSystem, Title, u"Confirm New Password:", Second, 32);
  }
  const CHAR16 *Outcome = NULL;
  if (EFI_ERROR(Status)) {
    Outcome = NULL;
  } else if (!Char16Equal(First, Second)) {
    Outcome = u"Passwords do not match. Nothing was changed.";
  } else if (Index >= mDiskCount) {
    Outcome = u"No such hard disk.";
  } else if ((mDisks[Index].Identify[82] & 0x0002) == 0) {
    Outcome = u"This hard disk does not support ATA security.";
  } else {
    Status = SetDiskPassword(&mDisks[Index], Kind, First);
    Outcome = EFI_ERROR(Status) ? u"The hard disk refused the password." : u"Hard disk password set.";
  }
  LogEvent("hddui password kind=%d device=%d status=%x", (UINT64)Kind, Index, Status);
  gSystem->BootServices->SetMem(First, sizeof(First), 0);
  gSystem->BootServices->SetMem(Second, sizeof(Second), 0);
  if (Outcome != NULL) {
    ShowMessageBox(gSystem, &Outcome, 1);
  }
}

EFI_STATUS EFIAPI UiExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Request, EFI_STRING *Progress,
                                  EFI_STRING *) {
  if (Progress != NULL) {
    *Progress = const_cast<EFI_STRING>(Request);
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI UiRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Configuration,
                                EFI_STRING *Progress) {
  if (Progress != NULL) {
    *Progress = const_cast<EFI_STRING>(Configuration);
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI UiCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, EFI_BROWSER_ACTION Action,
                             EFI_QUESTION_ID QuestionId, UINT8, EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
  if (Action == EFI_BROWSER_ACTION_FORM_OPEN) {
    LogEvent("hddui form-open kind=%d device=%d", (UINT64)mHddPasswordUi.PasswordKind, mHddPasswordUi.DeviceIndex);
  }
  if (Action == EFI_BROWSER_ACTION_CHANGED && QuestionId == kEnterQuestion) {
    RunPasswordEntry();
  }
  return EFI_SUCCESS;
}

EFI_HII_CONFIG_ACCESS_PROTOCOL mUiConfigAccess = {UiExtractConfig, UiRouteConfig, UiCallback};

#pragma pack(push, 1)
struct UiDevicePath {
  VENDOR_DEVICE_PATH Vendor;
  EFI_DEVICE_PATH_PROTOCOL End;
};
#pragma pack(pop)
UiDevicePath mUiPath = {{{HARDWARE_DEVICE_PATH, HW_VENDOR_DP, {sizeof(VENDOR_DEVICE_PATH), 0}},
                         {0x45FE5A54, 0xF13D, 0x72D8, {0x67, 0x32, 0x88, 0xE2, 0x19, 0xCE, 0x28, 0x77}}},
                        {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}}};

EFI_STATUS InstallUi() {
  EFI_BOOT_SERVICES *BS = gSystem->BootServices;
  EFI_HII_DATABASE_PROTOCOL *Database = NULL;
  EFI_STATUS Status = BS->LocateProtocol(&gEfiHiiDatabaseProtocolGuid, NULL, reinterpret_cast<VOID **>(&Database));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  EFI_HANDLE DriverHandle = NULL;
  Status = BS->InstallProtocolInterface(&DriverHandle, &gEfiDevicePathProtocolGuid, EFI_NATIVE_INTERFACE, &mUiPath);
  if (!EFI_ERROR(Status)) {
    Status = BS->InstallProtocolInterface(&DriverHandle, &gEfiHiiConfigAccessProtocolGuid, EFI_NATIVE_INTERFACE,
                                          &mUiConfigAccess);
  }
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Bytes List = {NULL, 0, 1024};
  Status = BS->AllocatePool(EfiBootServicesData, List.Capacity, reinterpret_cast<VOID **>(&List.Data));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  BuildPackageList(&List);
  EFI_HII_HANDLE HiiHandle = NULL;
  Status = Database->NewPackageList(Database, reinterpret_cast<EFI_HII_PACKAGE_LIST_HEADER *>(List.Data), DriverHandle,
                                    &HiiHandle);
  BS->FreePool(List.Data);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  mHddPasswordUi.UiHiiHandle = HiiHandle;
  mHddPasswordUi.DeviceNameStringId = kStrDeviceName;
  mHddPasswordUi.PasswordKind = HDD_PASSWORD_KIND_USER;
  EFI_HANDLE UiHandle = NULL;
  return BS->InstallProtocolInterface(&UiHandle, &gHddPasswordUiProtocolGuid, EFI_NATIVE_INTERFACE, &mHddPasswordUi);
}

}  // namespace

extern "C" EFI_STATUS EFIAPI HddPasswordMain(EFI_HANDLE, EFI_SYSTEM_TABLE *SystemTable) {
  LogEventsFromScenario(SystemTable->RuntimeServices);
  AtaSecurityModelFromScenario(SystemTable->RuntimeServices);
  gSystem = SystemTable;
  EFI_HANDLE Handle = NULL;
  EFI_STATUS Status = SystemTable->BootServices->InstallProtocolInterface(&Handle, &gHddPasswordProtocolGuid,
                                                                         EFI_NATIVE_INTERFACE, &mHddPassword);
  if (!EFI_ERROR(Status)) {
    Status = InstallUi();
  }
  LogEvent("hdd services status=%x", Status);
  return Status;
}
