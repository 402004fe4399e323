#include "callback/security_callback.h"

// Placeholder until the callback's dispatch is in place.
EFI_STATUS EFIAPI SecurityCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, EFI_BROWSER_ACTION, EFI_QUESTION_ID,
                                   UINT8, EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
  return EFI_UNSUPPORTED;
}
