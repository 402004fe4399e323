// SPDX-License-Identifier: BSD-2-Clause-Patent
// GUID comparison and the UTF-16 / ASCII string routines.
#include "support/strings.h"

BOOLEAN GuidsEqual(const EFI_GUID *A, const EFI_GUID *B) {
  const UINT8 *Left = reinterpret_cast<const UINT8 *>(A);
  const UINT8 *Right = reinterpret_cast<const UINT8 *>(B);
  for (UINTN Index = 0; Index < sizeof(EFI_GUID); Index++) {
    if (Left[Index] != Right[Index]) {
      return FALSE;
    }
  }
  return TRUE;
}

UINTN Utf16Length(const CHAR16 *Text) {
  UINTN Length = 0;
  while (Text[Length] != 0) {
    Length++;
  }
  return Length;
}

UINTN Utf16Size(const CHAR16 *Text) { return (Utf16Length(Text) + 1) * sizeof(CHAR16); }

INTN Utf16Compare(const CHAR16 *A, const CHAR16 *B) {
  while (*A != 0 && *A == *B) {
    A++;
    B++;
  }
  return (INTN)*A - (INTN)*B;
}

VOID Utf16Append(CHAR16 *Destination, const CHAR16 *Source) {
  Destination += Utf16Length(Destination);
  while ((*Destination++ = *Source++) != 0) {
  }
}

const CHAR16 *Utf16Find(const CHAR16 *Text, const CHAR16 *Pattern) {
  for (;; Text++) {
    UINTN Index = 0;
    while (Pattern[Index] != 0 && Text[Index] == Pattern[Index]) {
      Index++;
    }
    if (Pattern[Index] == 0) {
      return Text;
    }
    if (*Text == 0) {
      return NULL;
    }
  }
}

VOID AsciiCopy(CHAR8 *Destination, const CHAR8 *Source) { AsciiCopyToEnd(Destination, Source); }

CHAR8 *AsciiCopyToEnd(CHAR8 *Destination, const CHAR8 *Source) {
  while ((*Destination++ = *Source++) != 0) {
  }
  return Destination;
}
