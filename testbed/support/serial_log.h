// SPDX-License-Identifier: BSD-2-Clause-Patent
// Testbed event lines on the first serial port (COM1, I/O port 0x3F8),
// written straight to the UART so they reach the test runner unchanged by the
// firmware's terminal emulation. Each event is framed by STX (0x02) and ETX
// (0x03): the runner takes the frames out before it renders the console's
// own output into a screen.
#pragma once
#include <stdarg.h>

#include "include/uefi_types.h"

// One framed event. Format: %a ASCII text, %s UTF-16 text, %x hexadecimal,
// %d decimal, %%; every argument is one 64-bit slot (pointer or UINT64).
VOID LogEvent(const CHAR8 *Format, ...);
// Events are written unless the scenario says events=off (an interactive run,
// where they would land on the person's screen).
VOID LogEventsFromScenario(struct EFI_RUNTIME_SERVICES *RT);
VOID LogEventVa(const CHAR8 *Format, va_list Arguments);
