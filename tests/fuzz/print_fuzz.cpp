// SPDX-License-Identifier: BSD-2-Clause-Patent
// PrintToBuffer with arbitrary formats, argument slots and buffer sizes. Each
// argument slot is filled the way a correct caller fills it for the conversion
// that consumes it (text conversions get valid texts), so only the print
// routine itself can fault.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hostplatform/platform.h"
#include "support/print.h"

namespace {

struct Reader {
  const uint8_t *Data;
  size_t Size;
  uint8_t Byte() {
    if (Size == 0) {
      return 0;
    }
    Size--;
    return *Data++;
  }
  UINT64 Word() {
    UINT64 Value = 0;
    for (int Index = 0; Index < 8; Index++) {
      Value = (Value << 8) | Byte();
    }
    return Value;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  host::Platform P;
  Reader In{Data, Size};
  size_t BufferSize = 2 + (In.Byte() | (In.Byte() << 8)) % 600;
  size_t FormatLength = In.Byte() % 96;
  std::vector<CHAR16> Format;
  for (size_t Index = 0; Index < FormatLength; Index++) {
    static const char16_t kAlphabet[] = u"%-+ ,0*lL123456789dxXsSacgtr%\nqA";
    UINT8 Pick = In.Byte();
    Format.push_back(Pick < 200 ? kAlphabet[Pick % (sizeof(kAlphabet) / 2 - 1)] : (CHAR16)(In.Byte() << 8 | Pick));
  }
  Format.push_back(0);

  // Texts for the text conversions, owned here for the call.
  static const CHAR16 kWide[] = u"wide text";
  static const CHAR8 kAscii[] = "ascii text";
  static const EFI_GUID kGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  static const EFI_TIME kTime = {2026, 12, 10, 23, 59, 0, 0, 0, 0, 0, 0};

  UINT64 Slots[16] = {};
  size_t SlotCount = 0;
  for (size_t Index = 0; Format[Index] != 0 && SlotCount < 16; Index++) {
    if (Format[Index] != u'%') {
      continue;
    }
    Index++;
    while (Format[Index] != 0 && std::memchr("-+ ,0*lL123456789", (char)Format[Index], 17) != nullptr &&
           Format[Index] < 0x80 && SlotCount < 16) {
      if (Format[Index] == u'*') {
        Slots[SlotCount++] = In.Byte();
      }
      Index++;
    }
    if (SlotCount >= 16) {
      break;
    }
    bool Null = (In.Byte() & 7) == 0;
    switch (Format[Index]) {
      case u's':
      case u'S':
        Slots[SlotCount++] = Null ? 0 : (UINT64)(UINTN)kWide;
        break;
      case u'a':
        Slots[SlotCount++] = Null ? 0 : (UINT64)(UINTN)kAscii;
        break;
      case u'g':
        Slots[SlotCount++] = Null ? 0 : (UINT64)(UINTN)&kGuid;
        break;
      case u't':
        Slots[SlotCount++] = (UINT64)(UINTN)&kTime;
        break;
      case u'd':
      case u'x':
      case u'X':
      case u'c':
      case u'r':
        Slots[SlotCount++] = In.Word();
        break;
      default:
        break;
    }
    if (Format[Index] == 0) {
      break;
    }
  }
  if (SlotCount >= 16) {
    return 0;  // more conversions than this harness passes arguments for
  }

  CHAR16 *Buffer = new CHAR16[BufferSize / 2];
  UINTN Written = PrintToBuffer(Buffer, BufferSize / 2 * 2, Format.data(), Slots[0], Slots[1], Slots[2], Slots[3],
                                Slots[4], Slots[5], Slots[6], Slots[7], Slots[8], Slots[9], Slots[10], Slots[11],
                                Slots[12], Slots[13], Slots[14], Slots[15]);
  if (Written == 0 || Written > BufferSize / 2 || Buffer[Written - 1] != 0) {
    __builtin_trap();  // the result must count the terminator, inside the buffer
  }
  delete[] Buffer;
  return 0;
}
