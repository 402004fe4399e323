// SPDX-License-Identifier: BSD-2-Clause-Patent
// GUID comparison and the UTF-16 / ASCII string routines of the driver.
#pragma once
#include "include/uefi_types.h"

BOOLEAN GuidsEqual(const EFI_GUID *A, const EFI_GUID *B);
// Characters before the NUL.
UINTN Utf16Length(const CHAR16 *Text);
// Bytes including the NUL.
UINTN Utf16Size(const CHAR16 *Text);
// Difference of the first pair of characters that differ (0 when equal).
INTN Utf16Compare(const CHAR16 *A, const CHAR16 *B);
// Copies Source with its NUL behind the text in Destination, which must have room.
VOID Utf16Append(CHAR16 *Destination, const CHAR16 *Source);
// First occurrence of Pattern in Text, or null; an empty pattern matches at the start.
const CHAR16 *Utf16Find(const CHAR16 *Text, const CHAR16 *Pattern);
VOID AsciiCopy(CHAR8 *Destination, const CHAR8 *Source);
// Copies Source with its NUL; returns the position just after the NUL written.
CHAR8 *AsciiCopyToEnd(CHAR8 *Destination, const CHAR8 *Source);
