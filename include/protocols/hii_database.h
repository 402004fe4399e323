// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII package framing and EFI_HII_DATABASE_PROTOCOL.
#pragma once
#include "include/uefi_types.h"

struct EFI_HII_PACKAGE_LIST_HEADER {
  EFI_GUID PackageListGuid;
  UINT32 PackageLength;
};
static_assert(sizeof(EFI_HII_PACKAGE_LIST_HEADER) == 20, "package list header");
static_assert(__builtin_offsetof(EFI_HII_PACKAGE_LIST_HEADER, PackageLength) == 16, "PackageLength");

// 24-bit length, 8-bit type; stored as one little-endian UINT32.
struct EFI_HII_PACKAGE_HEADER {
  UINT32 Length : 24;
  UINT32 Type : 8;
};
static_assert(sizeof(EFI_HII_PACKAGE_HEADER) == 4, "package header");

#define EFI_HII_PACKAGE_TYPE_ALL 0x00
#define EFI_HII_PACKAGE_TYPE_GUID 0x01
#define EFI_HII_PACKAGE_FORMS 0x02
#define EFI_HII_PACKAGE_STRINGS 0x04
#define EFI_HII_PACKAGE_DEVICE_PATH 0x08
#define EFI_HII_PACKAGE_END 0xDF

#define EFI_HII_SIBT_END 0x00
#define EFI_HII_SIBT_STRING_UCS2 0x14

#pragma pack(push, 1)
struct EFI_HII_STRING_PACKAGE_HDR {
  EFI_HII_PACKAGE_HEADER Header;
  UINT32 HdrSize;
  UINT32 StringInfoOffset;
  CHAR16 LanguageWindow[16];
  EFI_STRING_ID LanguageName;
  CHAR8 Language[1];
};
#pragma pack(pop)
static_assert(__builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, Language) == 46, "string package header");

typedef UINTN EFI_HII_DATABASE_NOTIFY_TYPE;

struct EFI_HII_DATABASE_PROTOCOL {
  EFI_STATUS(EFIAPI *NewPackageList)(const EFI_HII_DATABASE_PROTOCOL *This,
                                     const EFI_HII_PACKAGE_LIST_HEADER *PackageList, EFI_HANDLE DriverHandle,
                                     EFI_HII_HANDLE *Handle);
  EFI_STATUS(EFIAPI *RemovePackageList)(const EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle);
  EFI_STATUS(EFIAPI *UpdatePackageList)(const EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle,
                                        const EFI_HII_PACKAGE_LIST_HEADER *PackageList);
  EFI_STATUS(EFIAPI *ListPackageLists)(const EFI_HII_DATABASE_PROTOCOL *This, UINT8 PackageType,
                                       const EFI_GUID *PackageGuid, UINTN *HandleBufferLength,
                                       EFI_HII_HANDLE *Handle);
  EFI_STATUS(EFIAPI *ExportPackageLists)(const EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE Handle,
                                         UINTN *BufferSize, EFI_HII_PACKAGE_LIST_HEADER *Buffer);
  EFI_STATUS(EFIAPI *RegisterPackageNotify)(const EFI_HII_DATABASE_PROTOCOL *This, UINT8 PackageType,
                                            const EFI_GUID *PackageGuid, VOID *PackageNotifyFn,
                                            EFI_HII_DATABASE_NOTIFY_TYPE NotifyType, EFI_HANDLE *NotifyHandle);
  EFI_STATUS(EFIAPI *UnregisterPackageNotify)(const EFI_HII_DATABASE_PROTOCOL *This, EFI_HANDLE NotificationHandle);
  EFI_STATUS(EFIAPI *FindKeyboardLayouts)(const EFI_HII_DATABASE_PROTOCOL *This, UINT16 *KeyGuidBufferLength,
                                          EFI_GUID *KeyGuidBuffer);
  EFI_STATUS(EFIAPI *GetKeyboardLayout)(const EFI_HII_DATABASE_PROTOCOL *This, const EFI_GUID *KeyGuid,
                                        UINT16 *KeyboardLayoutLength, VOID *KeyboardLayout);
  EFI_STATUS(EFIAPI *SetKeyboardLayout)(const EFI_HII_DATABASE_PROTOCOL *This, const EFI_GUID *KeyGuid);
  EFI_STATUS(EFIAPI *GetPackageListHandle)(const EFI_HII_DATABASE_PROTOCOL *This, EFI_HII_HANDLE PackageListHandle,
                                           EFI_HANDLE *DriverHandle);
};
static_assert(sizeof(EFI_HII_DATABASE_PROTOCOL) == 88, "HII database protocol: 11 members");
