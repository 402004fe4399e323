// SPDX-License-Identifier: BSD-2-Clause-Patent
// Boot-services pool helpers: plain, cleared and copied blocks.
#include "support/memory.h"

#include "support/service_context.h"

VOID *AllocateBootDataPool(UINTN Size) {
  VOID *Buffer = NULL;
  if (EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Size, &Buffer))) {
    return NULL;
  }
  return Buffer;
}

VOID *AllocateClearedPool(UINTN Size) {
  VOID *Buffer = AllocateBootDataPool(Size);
  if (Buffer != NULL) {
    gBS->SetMem(Buffer, Size, 0);
  }
  return Buffer;
}

VOID *AllocatePoolCopy(UINTN Size, const VOID *Source) {
  VOID *Buffer = AllocateBootDataPool(Size);
  if (Buffer != NULL) {
    gBS->CopyMem(Buffer, Source, Size);
  }
  return Buffer;
}
