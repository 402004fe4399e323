// SPDX-License-Identifier: BSD-2-Clause-Patent
// Testbed event lines on the first serial port.
#include "testbed/support/serial_log.h"

#include "include/system_table.h"
#include "testbed/support/scenario.h"

namespace {

constexpr UINT16 kComBase = 0x3F8;
constexpr UINT16 kLineStatus = kComBase + 5;
constexpr UINT8 kTransmitterEmpty = 0x20;

UINT8 PortRead(UINT16 Port) {
  UINT8 Value;
  __asm__ volatile("inb %1, %0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

VOID PortWrite(UINT16 Port, UINT8 Value) { __asm__ volatile("outb %0, %1" : : "a"(Value), "Nd"(Port)); }

VOID Put(CHAR8 Character) {
  for (UINTN Spin = 0; Spin < 100000 && (PortRead(kLineStatus) & kTransmitterEmpty) == 0; Spin++) {
  }
  PortWrite(kComBase, (UINT8)Character);
}

VOID PutNumber(UINT64 Value, UINT64 Base) {
  CHAR8 Digits[24];
  UINTN Count = 0;
  do {
    Digits[Count++] = "0123456789abcdef"[Value % Base];
    Value /= Base;
  } while (Value != 0);
  while (Count != 0) {
    Put(Digits[--Count]);
  }
}

}  // namespace

BOOLEAN mEventsOff;

VOID LogEventsFromScenario(EFI_RUNTIME_SERVICES *RT) { mEventsOff = ScenarioIs(RT, "events", "off"); }

VOID LogEventVa(const CHAR8 *Format, va_list Arguments) {
  if (mEventsOff) {
    return;
  }
  Put(0x02);
  for (; *Format != 0; Format++) {
    if (*Format != '%' || Format[1] == 0) {
      Put(*Format);
      continue;
    }
    Format++;
    switch (*Format) {
      case 'a': {
        const CHAR8 *Text = reinterpret_cast<const CHAR8 *>(va_arg(Arguments, UINT64));
        for (; Text != NULL && *Text != 0; Text++) {
          Put(*Text);
        }
        break;
      }
      case 's': {
        const CHAR16 *Text = reinterpret_cast<const CHAR16 *>(va_arg(Arguments, UINT64));
        for (; Text != NULL && *Text != 0; Text++) {
          Put(*Text >= 0x20 && *Text < 0x7F ? (CHAR8)*Text : '?');
        }
        break;
      }
      case 'x':
        PutNumber(va_arg(Arguments, UINT64), 16);
        break;
      case 'd':
        PutNumber(va_arg(Arguments, UINT64), 10);
        break;
      default:
        Put(*Format);
        break;
    }
  }
  Put(0x03);
}

VOID LogEvent(const CHAR8 *Format, ...) {
  va_list Arguments;
  va_start(Arguments, Format);
  LogEventVa(Format, Arguments);
  va_end(Arguments);
}
