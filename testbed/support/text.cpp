// SPDX-License-Identifier: BSD-2-Clause-Patent
// Small string helpers for the testbed images.
#include "testbed/support/text.h"

namespace {

// Both character widths share one routine each.
template <typename CHAR>
UINTN TextLength(const CHAR *Text) {
  UINTN Length = 0;
  while (Text != NULL && Text[Length] != 0) {
    Length++;
  }
  return Length;
}

template <typename CHAR>
BOOLEAN TextEqual(const CHAR *A, const CHAR *B) {
  for (;; A++, B++) {
    if (*A != *B) {
      return FALSE;
    }
    if (*A == 0) {
      return TRUE;
    }
  }
}

// Copies at most Capacity-1 characters of Source, each through Convert, and terminates.
template <typename TO, typename FROM, typename CONVERT>
VOID CopyText(TO *Destination, UINTN Capacity, const FROM *Source, CONVERT Convert) {
  UINTN Index = 0;
  for (; Source != NULL && Source[Index] != 0 && Index + 1 < Capacity; Index++) {
    Destination[Index] = Convert(Source[Index]);
  }
  if (Capacity != 0) {
    Destination[Index] = 0;
  }
}

}  // namespace

UINTN AsciiLength(const CHAR8 *Text) { return TextLength(Text); }
UINTN Char16Length(const CHAR16 *Text) { return TextLength(Text); }
BOOLEAN AsciiEqual(const CHAR8 *A, const CHAR8 *B) { return TextEqual(A, B); }
BOOLEAN Char16Equal(const CHAR16 *A, const CHAR16 *B) { return TextEqual(A, B); }

VOID Char16Copy(CHAR16 *Destination, UINTN Capacity, const CHAR16 *Source) {
  CopyText(Destination, Capacity, Source, [](CHAR16 Character) { return Character; });
}

VOID AsciiToChar16(CHAR16 *Destination, UINTN Capacity, const CHAR8 *Source) {
  CopyText(Destination, Capacity, Source, [](CHAR8 Character) { return (CHAR16)(UINT8)Character; });
}

VOID Char16ToAscii(CHAR8 *Destination, UINTN Capacity, const CHAR16 *Source) {
  CopyText(Destination, Capacity, Source,
           [](CHAR16 Character) { return Character < 0x80 ? (CHAR8)Character : '?'; });
}
