// SPDX-License-Identifier: BSD-2-Clause-Patent
// Diagnostic lines on the firmware console (diagnostic image only).
#include "support/diagnostics.h"

#if defined(QUORVANE_DIAGNOSTICS) && QUORVANE_DIAGNOSTICS
#include "support/print.h"
#include "support/service_context.h"

VOID DiagnosticPrint(const CHAR16 *Format, ...) {
  if (gST == NULL || gST->ConOut == NULL) {
    return;
  }
  CHAR16 Line[256];
  va_list Arguments;
  va_start(Arguments, Format);
  PrintToBufferVa(Line, sizeof(Line), Format, Arguments);
  va_end(Arguments);
  gST->ConOut->OutputString(gST->ConOut, Line);
}
#endif
