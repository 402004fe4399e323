// SPDX-License-Identifier: BSD-2-Clause-Patent
// Small string helpers for the testbed images (no C library here).
#pragma once
#include "include/uefi_types.h"

UINTN AsciiLength(const CHAR8 *Text);
UINTN Char16Length(const CHAR16 *Text);
BOOLEAN AsciiEqual(const CHAR8 *A, const CHAR8 *B);
BOOLEAN Char16Equal(const CHAR16 *A, const CHAR16 *B);
// Copies at most Capacity-1 characters and always terminates.
VOID Char16Copy(CHAR16 *Destination, UINTN Capacity, const CHAR16 *Source);
VOID AsciiToChar16(CHAR16 *Destination, UINTN Capacity, const CHAR8 *Source);
VOID Char16ToAscii(CHAR8 *Destination, UINTN Capacity, const CHAR16 *Source);
