// SPDX-License-Identifier: BSD-2-Clause-Patent
// Diagnostic lines on the firmware console. Only the diagnostic image writes
// them (QUORVANE_DIAGNOSTICS=1); in the shipped image the macro expands to
// nothing and its arguments are not evaluated.
#pragma once
#include "include/uefi_types.h"

#if defined(QUORVANE_DIAGNOSTICS) && QUORVANE_DIAGNOSTICS
// Every argument is passed as one 64-bit slot, as the print routine reads them.
VOID DiagnosticPrint(const CHAR16 *Format, ...);
#define QV_DIAG_ARG(x) ((UINT64)(x))
#define QV_DIAG(Format, ...) DiagnosticPrint(u"" Format, ##__VA_ARGS__)
#else
#define QV_DIAG(Format, ...) \
  do {                       \
  } while (0)
#endif
