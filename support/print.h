// SPDX-License-Identifier: BSD-2-Clause-Patent
// Formatted printing into a UTF-16 buffer.
#pragma once
#include <stdarg.h>

#include "include/uefi_types.h"

// Writes at most BufferSize / 2 - 1 characters and always a NUL (BufferSize >= 2).
// Every argument is one 64-bit slot. Returns the characters written, NUL included.
UINTN PrintToBuffer(CHAR16 *Buffer, UINTN BufferSize, const CHAR16 *Format, ...);
UINTN PrintToBufferVa(CHAR16 *Buffer, UINTN BufferSize, const CHAR16 *Format, va_list Arguments);
