// SPDX-License-Identifier: BSD-2-Clause-Patent
// User manager service: the UEFI EFI_USER_MANAGER_PROTOCOL shape, members in
// that protocol's order. The driver calls Current (3) and DeleteInfo (9).
#pragma once
#include "include/uefi_types.h"

typedef VOID *EFI_USER_PROFILE_HANDLE;
typedef VOID *EFI_USER_INFO_HANDLE;
typedef UINTN EFI_CREDENTIAL_IDENTIFIER;

#pragma pack(push, 1)
struct EFI_USER_INFO {
  EFI_GUID Credential;
  UINT8 InfoType;
  UINT8 Reserved1;
  UINT16 InfoAttribs;
  UINT32 InfoSize;
};
#pragma pack(pop)
static_assert(sizeof(EFI_USER_INFO) == 24, "user info record header");
static_assert(__builtin_offsetof(EFI_USER_INFO, InfoType) == 16, "InfoType");
static_assert(__builtin_offsetof(EFI_USER_INFO, InfoSize) == 20, "InfoSize");

// Type of the information record that holds an account's password.
#define PASSWORD_RECORD_TYPE 0x10

struct EFI_USER_MANAGER_PROTOCOL {
  EFI_STATUS(EFIAPI *Create)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *User);
  EFI_STATUS(EFIAPI *Delete)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User);
  EFI_STATUS(EFIAPI *GetNext)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *User);
  EFI_STATUS(EFIAPI *Current)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *CurrentUser);
  EFI_STATUS(EFIAPI *Identify)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *User);
  EFI_STATUS(EFIAPI *Find)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *User,
                           EFI_USER_INFO_HANDLE *UserInfo, const EFI_USER_INFO *Info, UINTN InfoSize);
  EFI_STATUS(EFIAPI *Notify)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_HANDLE Changed);
  EFI_STATUS(EFIAPI *GetInfo)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User,
                              EFI_USER_INFO_HANDLE UserInfo, EFI_USER_INFO *Info, UINTN *InfoSize);
  EFI_STATUS(EFIAPI *SetInfo)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User,
                              EFI_USER_INFO_HANDLE *UserInfo, const EFI_USER_INFO *Info, UINTN InfoSize);
  EFI_STATUS(EFIAPI *DeleteInfo)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User,
                                 EFI_USER_INFO_HANDLE UserInfo);
  EFI_STATUS(EFIAPI *GetNextInfo)(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User,
                                  EFI_USER_INFO_HANDLE *UserInfo);
};
static_assert(sizeof(EFI_USER_MANAGER_PROTOCOL) == 88, "user manager protocol: 11 members");
static_assert(__builtin_offsetof(EFI_USER_MANAGER_PROTOCOL, Current) == 3 * 8, "Current is entry 3");
static_assert(__builtin_offsetof(EFI_USER_MANAGER_PROTOCOL, DeleteInfo) == 9 * 8, "DeleteInfo is entry 9");
