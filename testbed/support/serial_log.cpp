#include "testbed/support/serial_log.h"

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

VOID SerialPut(CHAR8 Character) {
  for (UINTN Spin = 0; Spin < 100000 && (PortRead(kLineStatus) & kTransmitterEmpty) == 0; Spin++) {
  }
  PortWrite(kComBase, (UINT8)Character);
}

}  // namespace

VOID SerialWrite(const CHAR8 *Text) {
  for (; *Text != 0; Text++) {
    if (*Text == '\n') {
      SerialPut('\r');
    }
    SerialPut(*Text);
  }
}

VOID SerialWriteHex(UINT64 Value) {
  CHAR8 Digits[17];
  INTN Index = 16;
  Digits[Index] = 0;
  do {
    Digits[--Index] = "0123456789abcdef"[Value & 0xF];
    Value >>= 4;
  } while (Value != 0);
  SerialWrite(&Digits[Index]);
}

VOID SerialWriteDecimal(UINT64 Value) {
  CHAR8 Digits[21];
  INTN Index = 20;
  Digits[Index] = 0;
  do {
    Digits[--Index] = (CHAR8)('0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  SerialWrite(&Digits[Index]);
}

VOID SerialWriteChar16(const CHAR16 *Text) {
  CHAR8 One[2] = {0, 0};
  for (; Text != NULL && *Text != 0; Text++) {
    One[0] = (*Text < 0x80) ? (CHAR8)*Text : '?';
    SerialWrite(One);
  }
}

VOID SerialWriteBytes(const VOID *Data, UINTN Size) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  CHAR8 Pair[3] = {0, 0, 0};
  for (UINTN Index = 0; Index < Size; Index++) {
    Pair[0] = "0123456789abcdef"[Bytes[Index] >> 4];
    Pair[1] = "0123456789abcdef"[Bytes[Index] & 0xF];
    SerialWrite(Pair);
  }
}
