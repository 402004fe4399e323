// SPDX-License-Identifier: BSD-2-Clause-Patent
// The memory routines the compiler emits calls to. The image links no C
// library, so it supplies them itself; the host build uses the C library's.
#include "include/uefi_types.h"

extern "C" {

void *memcpy(void *Destination, const void *Source, UINTN Length) {
  UINT8 *To = static_cast<UINT8 *>(Destination);
  const UINT8 *From = static_cast<const UINT8 *>(Source);
  while (Length-- != 0) {
    *To++ = *From++;
  }
  return Destination;
}

void *memmove(void *Destination, const void *Source, UINTN Length) {
  UINT8 *To = static_cast<UINT8 *>(Destination);
  const UINT8 *From = static_cast<const UINT8 *>(Source);
  if (From < To) {
    while (Length-- != 0) {
      To[Length] = From[Length];
    }
  } else {
    while (Length-- != 0) {
      *To++ = *From++;
    }
  }
  return Destination;
}

void *memset(void *Buffer, int Value, UINTN Length) {
  UINT8 *To = static_cast<UINT8 *>(Buffer);
  while (Length-- != 0) {
    *To++ = (UINT8)Value;
  }
  return Buffer;
}

int memcmp(const void *A, const void *B, UINTN Length) {
  const UINT8 *Left = static_cast<const UINT8 *>(A);
  const UINT8 *Right = static_cast<const UINT8 *>(B);
  for (UINTN Index = 0; Index < Length; Index++) {
    if (Left[Index] != Right[Index]) {
      return (int)Left[Index] - (int)Right[Index];
    }
  }
  return 0;
}

}  // extern "C"
