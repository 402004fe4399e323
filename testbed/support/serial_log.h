// Testbed log lines on the first serial port (COM1, I/O port 0x3F8), written
// straight to the UART so they reach the test runner unchanged by the
// firmware's terminal emulation. Every line starts with "QV-" so the runner
// can tell them from the console's own output.
#pragma once
#include "include/uefi_types.h"

VOID SerialWrite(const CHAR8 *Text);
VOID SerialWriteHex(UINT64 Value);
VOID SerialWriteDecimal(UINT64 Value);
VOID SerialWriteChar16(const CHAR16 *Text);
VOID SerialWriteBytes(const VOID *Data, UINTN Size);  // lower-case hex, no separators
