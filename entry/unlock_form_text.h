// Text of the lock-out form: the user manager's text after the saved base text.
#pragma once
#include "include/uefi_types.h"

EFI_STATUS EFIAPI UnlockFormCallback(CHAR16 *Text);
EFI_STATUS AppendHiiString(EFI_STRING_ID StringId, CHAR16 **OriginalStr, const CHAR16 *Text);
