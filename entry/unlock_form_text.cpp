#include "entry/unlock_form_text.h"

#include "entry/service_context.h"

// Placeholder until HII string access is in place.
EFI_STATUS AppendHiiString(EFI_STRING_ID, CHAR16 **, const CHAR16 *) { return EFI_NOT_READY; }

EFI_STATUS EFIAPI UnlockFormCallback(CHAR16 *Text) {
  AppendHiiString(117, &mOriginalStr, Text);
  return EFI_SUCCESS;
}
