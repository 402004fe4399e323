// SPDX-License-Identifier: BSD-2-Clause-Patent
// Text of the lock-out form: the user manager's text after the saved base text.
#pragma once
#include "include/uefi_types.h"

// Registered with the Qel user manager service; shows Text on the lock-out
// form (STR_LOCKOUT_TEXT). Always EFI_SUCCESS.
EFI_STATUS EFIAPI UnlockFormCallback(CHAR16 *Text);
// Makes StringId of the driver's list read *OriginalStr followed by Text. The
// first call saves the string's current text into *OriginalStr (never
// released); later calls rebuild from that saved text.
EFI_STATUS AppendHiiString(EFI_STRING_ID StringId, CHAR16 **OriginalStr, const CHAR16 *Text);
