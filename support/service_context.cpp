// SPDX-License-Identifier: BSD-2-Clause-Patent
// The driver-wide references: service tables, located services, handles.
#include "support/service_context.h"

EFI_HANDLE gImageHandle = NULL;
EFI_SYSTEM_TABLE *gST = NULL;
EFI_BOOT_SERVICES *gBS = NULL;
EFI_RUNTIME_SERVICES *gRT = NULL;
EFI_LOADED_IMAGE_PROTOCOL *mLoadedImage = NULL;
EFI_HII_DATABASE_PROTOCOL *mHiiDatabase = NULL;
EFI_HII_CONFIG_ROUTING_PROTOCOL *mHiiConfigRouting = NULL;
EFI_FORM_BROWSER2_PROTOCOL *mFormBrowser2 = NULL;
HDD_PASSWORD_PROTOCOL *mHddPassword = NULL;
HDD_PASSWORD_UI_PROTOCOL *mHddPasswordUi = NULL;
EFI_USER_MANAGER_PROTOCOL *mUserManager = NULL;
QEL_USER_MANAGER_PROTOCOL *mQelUserManager = NULL;
EFI_HANDLE mDriverHandle = NULL;
EFI_HII_HANDLE mHiiHandle = NULL;
UINT8 *UserManagerState = NULL;
CHAR16 *mOriginalStr = NULL;
