// SPDX-License-Identifier: BSD-2-Clause-Patent
// Qel user manager service: account profiles, the password dialog, hints and
// the lock-out form. Entries are positions in its function table, from 0; the
// entries the driver never calls are kept as opaque slots.
#pragma once
#include "include/protocols/user_manager.h"

struct QEL_USER_MANAGER_PROTOCOL;

// Called by the service with the text to show on the lock-out form.
typedef EFI_STATUS(EFIAPI *QEL_UNLOCK_FORM_CALLBACK)(CHAR16 *Text);

typedef EFI_STATUS(EFIAPI *QEL_USER_MANAGER_UNUSED)(QEL_USER_MANAGER_PROTOCOL *This);

struct QEL_USER_MANAGER_PROTOCOL {
  EFI_STATUS(EFIAPI *Probe)(QEL_USER_MANAGER_PROTOCOL *This);                                  // 0
  EFI_STATUS(EFIAPI *GetUsernameFromProfile)(QEL_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE Profile,
                                             CHAR16 **UserName);                              // 1
  EFI_STATUS(EFIAPI *CommitChanges)(QEL_USER_MANAGER_PROTOCOL *This);                          // 2
  QEL_USER_MANAGER_UNUSED Entry3;                                                              // 3
  QEL_USER_MANAGER_UNUSED Entry4;                                                              // 4
  EFI_STATUS(EFIAPI *AddPwdHint)(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName,
                                 const CHAR16 *Hint);                                          // 5
  EFI_STATUS(EFIAPI *DeletePwdHint)(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName);  // 6
  QEL_USER_MANAGER_UNUSED Entry7;                                                              // 7
  EFI_STATUS(EFIAPI *FindListInfo)(QEL_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE Profile,
                                   EFI_USER_INFO_HANDLE *UserInfo, const EFI_USER_INFO *Template,
                                   VOID *Reserved);                                            // 8
  EFI_STATUS(EFIAPI *FindProfileByName)(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName,
                                        EFI_USER_PROFILE_HANDLE *Profile);                     // 9
  QEL_USER_MANAGER_UNUSED Entry10;                                                             // 10
  QEL_USER_MANAGER_UNUSED Entry11;                                                             // 11
  QEL_USER_MANAGER_UNUSED Entry12;                                                             // 12
  EFI_STATUS(EFIAPI *Enroll)(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName);         // 13
  QEL_USER_MANAGER_UNUSED Entry14;                                                             // 14
  QEL_USER_MANAGER_UNUSED Entry15;                                                             // 15
  QEL_USER_MANAGER_UNUSED Entry16;                                                             // 16
  QEL_USER_MANAGER_UNUSED Entry17;                                                             // 17
  QEL_USER_MANAGER_UNUSED Entry18;                                                             // 18
  EFI_STATUS(EFIAPI *RegisterUnlockForm)(QEL_USER_MANAGER_PROTOCOL *This, EFI_HII_HANDLE HiiHandle,
                                         const EFI_GUID *FormSetGuid, UINT16 FormId, UINT16 PromptStringId,
                                         UINT16 TextStringId, QEL_UNLOCK_FORM_CALLBACK Callback);  // 19
};
static_assert(sizeof(QEL_USER_MANAGER_PROTOCOL) == 20 * 8, "Qel user manager: 20 entries");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, GetUsernameFromProfile) == 1 * 8, "entry 1");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, CommitChanges) == 2 * 8, "entry 2");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, AddPwdHint) == 5 * 8, "entry 5");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, DeletePwdHint) == 6 * 8, "entry 6");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, FindListInfo) == 8 * 8, "entry 8");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, FindProfileByName) == 9 * 8, "entry 9");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, Enroll) == 13 * 8, "entry 13");
static_assert(__builtin_offsetof(QEL_USER_MANAGER_PROTOCOL, RegisterUnlockForm) == 19 * 8, "entry 19");
