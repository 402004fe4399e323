// SPDX-License-Identifier: BSD-2-Clause-Patent
// Dialogs of the testbed services on the firmware console: a message box
// that waits for a key, and a masked password prompt. They draw over
// whatever is on screen (the form browser repaints its page afterwards).
#pragma once
#include "include/system_table.h"

// Waits for one key stroke and returns it.
EFI_INPUT_KEY WaitForKey(EFI_SYSTEM_TABLE *ST);
// A box of Count lines, centred; waits for a key.
VOID ShowMessageBox(EFI_SYSTEM_TABLE *ST, const CHAR16 *const *Lines, UINTN Count);
// The same box without waiting.
VOID ShowMessageBoxNoWait(EFI_SYSTEM_TABLE *ST, const CHAR16 *const *Lines, UINTN Count);
// A box with Title and Prompt; reads up to MaxChars printable characters,
// echoing '*'. Enter accepts (the text may be empty), ESC gives EFI_ABORTED.
EFI_STATUS ReadPassword(EFI_SYSTEM_TABLE *ST, const CHAR16 *Title, const CHAR16 *Prompt, CHAR16 *Buffer,
                        UINTN MaxChars);
