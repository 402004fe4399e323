// SPDX-License-Identifier: BSD-2-Clause-Patent
// Small string helpers for the testbed images.
#include "testbed/support/text.h"

UINTN AsciiLength(const CHAR8 *Text) {
  UINTN Length = 0;
  while (Text != NULL && Text[Length] != 0) {
    Length++;
  }
  return Length;
}

UINTN Char16Length(const CHAR16 *Text) {
  UINTN Length = 0;
  while (Text != NULL && Text[Length] != 0) {
    Length++;
  }
  return Length;
}

BOOLEAN AsciiEqual(const CHAR8 *A, const CHAR8 *B) {
  for (;; A++, B++) {
    if (*A != *B) {
      return FALSE;
    }
    if (*A == 0) {
      return TRUE;
    }
  }
}

BOOLEAN Char16Equal(const CHAR16 *A, const CHAR16 *B) {
  for (;; A++, B++) {
    if (*A != *B) {
      return FALSE;
    }
    if (*A == 0) {
      return TRUE;
    }
  }
}

VOID Char16Copy(CHAR16 *Destination, UINTN Capacity, const CHAR16 *Source) {
  UINTN Index = 0;
  for (; Source != NULL && Source[Index] != 0 && Index + 1 < Capacity; Index++) {
    Destination[Index] = Source[Index];
  }
  if (Capacity != 0) {
    Destination[Index] = 0;
  }
}

VOID AsciiToChar16(CHAR16 *Destination, UINTN Capacity, const CHAR8 *Source) {
  UINTN Index = 0;
  for (; Source != NULL && Source[Index] != 0 && Index + 1 < Capacity; Index++) {
    Destination[Index] = (CHAR16)(UINT8)Source[Index];
  }
  if (Capacity != 0) {
    Destination[Index] = 0;
  }
}

VOID Char16ToAscii(CHAR8 *Destination, UINTN Capacity, const CHAR16 *Source) {
  UINTN Index = 0;
  for (; Source != NULL && Source[Index] != 0 && Index + 1 < Capacity; Index++) {
    Destination[Index] = Source[Index] < 0x80 ? (CHAR8)Source[Index] : '?';
  }
  if (Capacity != 0) {
    Destination[Index] = 0;
  }
}
