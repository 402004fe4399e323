// SPDX-License-Identifier: BSD-2-Clause-Patent
// The lock-out form's text: the saved base text followed by the user manager's text.
#include "entry/unlock_form_text.h"

#include "forms/security_page_ids.h"
#include "support/diagnostics.h"
#include "support/hii_strings.h"
#include "support/image_memory.h"
#include "support/memory.h"
#include "support/service_context.h"
#include "support/strings.h"

EFI_STATUS AppendHiiString(EFI_STRING_ID StringId, CHAR16 **OriginalStr, const CHAR16 *Text) {
  if (Text == NULL) {
    Text = u"";  // nothing to add: the base text alone
  }
  EFI_STRING Current = NULL;
  EFI_STATUS Status = HiiLibStrGet(mHiiHandle, StringId, &Current, NULL);
  if (Status != EFI_SUCCESS) {
    QV_DIAG("ERROR. Quorvane.AppendHiiString: HiiLibStrGet failed, %r\n", QV_DIAG_ARG(Status));
    return Status;
  }
  if (*OriginalStr == NULL) {
    *OriginalStr = static_cast<CHAR16 *>(AllocatePoolCopy(Utf16Size(Current), Current));
    if (*OriginalStr == NULL) {
      QV_DIAG("ERROR. Quorvane.AppendHiiString: Insufficient memory for OriginalStr\n");
      FreePoolIfPresent(Current);
      return EFI_OUT_OF_RESOURCES;
    }
  }
  FreePoolIfPresent(Current);

  UINTN BaseSize = Utf16Size(*OriginalStr);
  CHAR16 *NewText = static_cast<CHAR16 *>(AllocateBootDataPool(BaseSize + Utf16Size(Text) - sizeof(CHAR16)));
  if (NewText == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  gBS->CopyMem(NewText, *OriginalStr, BaseSize);
  Utf16Append(NewText, Text);
  Status = HiiLibStrSet(mHiiHandle, StringId, NewText, NULL);
  FreePoolIfPresent(NewText);
  if (Status != EFI_SUCCESS) {
    QV_DIAG("ERROR. Quorvane.AppendHiiString: HiiLibStrSet failed, %r\n", QV_DIAG_ARG(Status));
  }
  return Status;
}

EFI_STATUS EFIAPI UnlockFormCallback(CHAR16 *Text) {
  AppendHiiString(STR_LOCKOUT_TEXT, &mOriginalStr, Text);
  return EFI_SUCCESS;
}
