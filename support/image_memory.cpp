// SPDX-License-Identifier: BSD-2-Clause-Patent
// Pool in the image's data memory type, its release, and overlap-safe copy.
#include "support/image_memory.h"

#include "support/service_context.h"

VOID *AllocateImageDataPool(UINTN Size) {
  if (gBS == NULL || mLoadedImage == NULL) {
    return NULL;
  }
  VOID *Buffer = NULL;
  // A failed allocation leaves the pointer null, which is all the caller tests.
  gBS->AllocatePool(mLoadedImage->ImageDataType, Size, &Buffer);
  return Buffer;
}

// The driver's one release of pool, out of line: it frees in some twenty
// places, and a call of this is shorter than the boot-service call written out.
__attribute__((noinline)) VOID FreePoolIfPresent(VOID *Buffer) {
  if (Buffer != NULL && gBS != NULL) {
    gBS->FreePool(Buffer);
  }
}

VOID *InternalMemMove(VOID *Destination, const VOID *Source, UINTN Length) {
  UINT8 *To = static_cast<UINT8 *>(Destination);
  const UINT8 *From = static_cast<const UINT8 *>(Source);
  if (From < To) {
    while (Length != 0) {
      Length--;
      To[Length] = From[Length];
    }
  } else {
    for (UINTN Index = 0; Index < Length; Index++) {
      To[Index] = From[Index];
    }
  }
  return Destination;
}
