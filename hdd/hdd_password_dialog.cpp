// SPDX-License-Identifier: BSD-2-Clause-Patent
// Launch of the platform's hard-disk password dialog for one disk.
#include "hdd/hdd_password_dialog.h"

#include "hdd/hdd_security_status.h"
#include "include/guids.h"
#include "support/hii_strings.h"
#include "support/service_context.h"

VOID FormatHddDialogName(UINTN DeviceIndex, CHAR16 Name[HDD_DIALOG_NAME_SIZE / 2]) {
  // Only the entries the service really filled are read.
  const CHAR8 *DeviceName = NULL;
  if (mHddDeviceList != NULL && DeviceIndex < mHddDeviceCount) {
    DeviceName = mHddDeviceList[DeviceIndex].DeviceName;
  }
  // The same text the print routine's "%a" gives in this buffer, without
  // linking the whole format language into the shipped image: ASCII widened,
  // cut to the buffer, always terminated, and a missing name spelled out.
  if (DeviceName == NULL) {
    DeviceName = "<null string>";
  }
  UINTN Count = 0;
  for (; Count < HDD_DIALOG_NAME_SIZE / 2 - 1 && DeviceName[Count] != 0; Count++) {
    Name[Count] = (CHAR16)(UINT8)DeviceName[Count];
  }
  Name[Count] = 0;
}

EFI_STATUS LaunchHddPasswordDialog(UINT32 PasswordKind, UINTN DeviceIndex) {
  // Without a refresh there is no disk to name.
  if (mHddPasswordUi == NULL || mFormBrowser2 == NULL || mHddDeviceList == NULL) {
    return EFI_SUCCESS;
  }
  mHddPasswordUi->PasswordKind = PasswordKind;
  mHddPasswordUi->DeviceIndex = DeviceIndex;

  CHAR16 Name[HDD_DIALOG_NAME_SIZE / 2];
  FormatHddDialogName(DeviceIndex, Name);
  HiiLibStrSetAllLanguages(mHddPasswordUi->UiHiiHandle, mHddPasswordUi->DeviceNameStringId, Name);

  // The UI service's form set carries the service's own GUID.
  EFI_HII_HANDLE Handle = mHddPasswordUi->UiHiiHandle;
  EFI_BROWSER_ACTION_REQUEST ActionRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
  mFormBrowser2->SendForm(mFormBrowser2, &Handle, 1, const_cast<EFI_GUID *>(&gHddPasswordUiProtocolGuid),
                          HDD_PASSWORD_UI_FORM_ID, NULL, &ActionRequest);
  return EFI_SUCCESS;
}
