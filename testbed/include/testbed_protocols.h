// SPDX-License-Identifier: BSD-2-Clause-Patent
// UEFI interfaces only the testbed uses: the simple file system (to read the
// boot volume's scenario file), ATA pass-through (to reach the disks), the
// user-information records of the UEFI user identification chapter (access
// policy, read by the form browser's security test) and the testbed's own
// GUIDs. Members in the order of the UEFI specification.
#pragma once
#include "include/protocols/qel_user_manager.h"
#include "include/system_table.h"

// ---------------------------------------------------------------- file system
struct EFI_FILE_PROTOCOL {
  UINT64 Revision;
  EFI_STATUS(EFIAPI *Open)(EFI_FILE_PROTOCOL *This, EFI_FILE_PROTOCOL **NewHandle, const CHAR16 *FileName,
                           UINT64 OpenMode, UINT64 Attributes);
  EFI_STATUS(EFIAPI *Close)(EFI_FILE_PROTOCOL *This);
  EFI_STATUS(EFIAPI *Delete)(EFI_FILE_PROTOCOL *This);
  EFI_STATUS(EFIAPI *Read)(EFI_FILE_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer);
  EFI_STATUS(EFIAPI *Write)(EFI_FILE_PROTOCOL *This, UINTN *BufferSize, const VOID *Buffer);
  VOID *GetPosition;
  VOID *SetPosition;
  VOID *GetInfo;
  VOID *SetInfo;
  VOID *Flush;
};
static_assert(__builtin_offsetof(EFI_FILE_PROTOCOL, Read) == 32, "file Read slot");

struct EFI_SIMPLE_FILE_SYSTEM_PROTOCOL {
  UINT64 Revision;
  EFI_STATUS(EFIAPI *OpenVolume)(EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *This, EFI_FILE_PROTOCOL **Root);
};
#define EFI_FILE_MODE_READ 0x0000000000000001ULL

inline constexpr EFI_GUID gEfiSimpleFileSystemProtocolGuid = {0x964E5B22, 0x6459, 0x11D2, {0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B}};

// ---------------------------------------------------------------- ATA pass-through
struct EFI_ATA_PASS_THRU_MODE {
  UINT32 Attributes;
  UINT32 IoAlign;
};

#pragma pack(push, 1)
struct EFI_ATA_COMMAND_BLOCK {
  UINT8 Reserved1[2];
  UINT8 AtaCommand;
  UINT8 AtaFeatures;
  UINT8 AtaSectorNumber;
  UINT8 AtaCylinderLow;
  UINT8 AtaCylinderHigh;
  UINT8 AtaDeviceHead;
  UINT8 AtaSectorNumberExp;
  UINT8 AtaCylinderLowExp;
  UINT8 AtaCylinderHighExp;
  UINT8 AtaFeaturesExp;
  UINT8 AtaSectorCount;
  UINT8 AtaSectorCountExp;
  UINT8 Reserved2[6];
};
struct EFI_ATA_STATUS_BLOCK {
  UINT8 Reserved1[2];
  UINT8 AtaStatus;
  UINT8 AtaError;
  UINT8 AtaSectorNumber;
  UINT8 AtaCylinderLow;
  UINT8 AtaCylinderHigh;
  UINT8 AtaDeviceHead;
  UINT8 AtaSectorNumberExp;
  UINT8 AtaCylinderLowExp;
  UINT8 AtaCylinderHighExp;
  UINT8 Reserved2;
  UINT8 AtaSectorCount;
  UINT8 AtaSectorCountExp;
  UINT8 Reserved3[6];
};
#pragma pack(pop)
static_assert(sizeof(EFI_ATA_COMMAND_BLOCK) == 20, "ATA command block");
static_assert(sizeof(EFI_ATA_STATUS_BLOCK) == 20, "ATA status block");

struct EFI_ATA_PASS_THRU_COMMAND_PACKET {
  EFI_ATA_STATUS_BLOCK *Asb;
  EFI_ATA_COMMAND_BLOCK *Acb;
  UINT64 Timeout;  // 100 ns units
  VOID *InDataBuffer;
  VOID *OutDataBuffer;
  UINT32 InTransferLength;
  UINT32 OutTransferLength;
  UINT8 Protocol;
  UINT8 Length;
};
static_assert(sizeof(EFI_ATA_PASS_THRU_COMMAND_PACKET) == 56, "ATA command packet");

#define EFI_ATA_PASS_THRU_PROTOCOL_PIO_DATA_IN 0x04
#define EFI_ATA_PASS_THRU_LENGTH_BYTES 0x80
#define EFI_ATA_PASS_THRU_LENGTH_SECTOR_COUNT 0x02
#define ATA_CMD_IDENTIFY_DEVICE 0xEC

struct EFI_ATA_PASS_THRU_PROTOCOL {
  EFI_ATA_PASS_THRU_MODE *Mode;
  EFI_STATUS(EFIAPI *PassThru)(EFI_ATA_PASS_THRU_PROTOCOL *This, UINT16 Port, UINT16 PortMultiplierPort,
                               EFI_ATA_PASS_THRU_COMMAND_PACKET *Packet, EFI_EVENT Event);
  EFI_STATUS(EFIAPI *GetNextPort)(EFI_ATA_PASS_THRU_PROTOCOL *This, UINT16 *Port);
  EFI_STATUS(EFIAPI *GetNextDevice)(EFI_ATA_PASS_THRU_PROTOCOL *This, UINT16 Port, UINT16 *PortMultiplierPort);
  VOID *BuildDevicePath;
  VOID *GetDevice;
  VOID *ResetPort;
  VOID *ResetDevice;
};
static_assert(sizeof(EFI_ATA_PASS_THRU_PROTOCOL) == 64, "ATA pass-through: mode and seven members");

inline constexpr EFI_GUID gEfiAtaPassThruProtocolGuid = {0x1D3DE7F0, 0x0807, 0x424F, {0xAA, 0x69, 0x11, 0xA5, 0x4E, 0x19, 0xA4, 0x6F}};

// ---------------------------------------------------------------- user information
#define EFI_USER_INFO_NAME_RECORD 0x01
#define EFI_USER_INFO_ACCESS_POLICY_RECORD 0x0E
#define EFI_USER_INFO_ACCESS_SETUP 0x00000006
#define EFI_USER_INFO_PUBLIC 0x0002

struct EFI_USER_INFO_ACCESS_CONTROL {
  UINT32 Type;
  UINT32 Size;  // this header and the data that follows
};
static_assert(sizeof(EFI_USER_INFO_ACCESS_CONTROL) == 8, "access control header");

inline constexpr EFI_GUID gEfiUserInfoAccessSetupNormalGuid = {0x1DB29AE0, 0x9DCB, 0x43BC, {0x8D, 0x87, 0x5D, 0xA1, 0x49, 0x64, 0xDD, 0xE2}};

// ---------------------------------------------------------------- testbed
// Vendor GUID of the testbed's own variables: "QvScenario" (the boot
// volume's scenario text, volatile) and "QvAccounts" (the account store).
inline constexpr EFI_GUID gTestbedVariableGuid = {0x6A1C1E55, 0x3F0B, 0x4C7E, {0x9B, 0x51, 0x2D, 0x8E, 0x47, 0x10, 0xA3, 0x5C}};

// The lock-out form registration the accounts service received from the
// driver, published on the service's handle so that the checks can call the
// driver's text callback as the user manager would.
struct TESTBED_UNLOCK_FORM_RECORD {
  BOOLEAN Registered;
  EFI_HII_HANDLE HiiHandle;
  EFI_GUID FormSet;
  UINT16 FormId;
  UINT16 PromptId;
  UINT16 TextId;
  QEL_UNLOCK_FORM_CALLBACK Callback;
};
inline constexpr EFI_GUID gTestbedUnlockFormRecordGuid = {0x956A3D52, 0x75D0, 0x4947, {0x96, 0x2A, 0x35, 0xD5, 0x39, 0x7B, 0x15, 0x16}};
