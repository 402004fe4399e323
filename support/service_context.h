// SPDX-License-Identifier: BSD-2-Clause-Patent
// Driver-wide references. Each is written once during start-up (the saved
// lock-out base text at its first use) and read afterwards; none is released.
#pragma once
#include "include/protocols/form_browser2.h"
#include "include/protocols/hdd_password.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "include/protocols/loaded_image.h"
#include "include/protocols/qel_user_manager.h"
#include "include/protocols/user_manager.h"
#include "include/system_table.h"

extern EFI_HANDLE gImageHandle;
extern EFI_SYSTEM_TABLE *gST;
extern EFI_BOOT_SERVICES *gBS;
extern EFI_RUNTIME_SERVICES *gRT;
extern EFI_LOADED_IMAGE_PROTOCOL *mLoadedImage;
extern EFI_HII_DATABASE_PROTOCOL *mHiiDatabase;
extern EFI_HII_CONFIG_ROUTING_PROTOCOL *mHiiConfigRouting;
extern EFI_FORM_BROWSER2_PROTOCOL *mFormBrowser2;
extern HDD_PASSWORD_PROTOCOL *mHddPassword;
extern HDD_PASSWORD_UI_PROTOCOL *mHddPasswordUi;
extern EFI_USER_MANAGER_PROTOCOL *mUserManager;
extern QEL_USER_MANAGER_PROTOCOL *mQelUserManager;
extern EFI_HANDLE mDriverHandle;
extern EFI_HII_HANDLE mHiiHandle;
// UserManagerVar::Size bytes laid out like the "UserManagerVar" store; null if its allocation failed.
extern UINT8 *UserManagerState;
// Base text of the lock-out string, saved at the first lock-out callback.
extern CHAR16 *mOriginalStr;

