// SPDX-License-Identifier: BSD-2-Clause-Patent
// Reading and writing the stores: at the stored size into pool, fixed-size into a buffer, write-back.
#include "config/store_access.h"

#include "support/image_memory.h"
#include "support/memory.h"
#include "support/service_context.h"

EFI_STATUS ReadVariableBlock(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size,
                             UINT8 **Block) {
  UINT8 *Data = static_cast<UINT8 *>(AllocateBootDataPool(*Size));
  if (Data == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  // The size read back is the size used from here on, so bytes that were not
  // read are never served or stored.
  EFI_STATUS Status = gRT->GetVariable(Name, Guid, Attributes, Size, Data);
  if (EFI_ERROR(Status)) {
    FreePoolIfPresent(Data);
    return Status;
  }
  *Block = Data;
  return EFI_SUCCESS;
}

EFI_STATUS ReadFixedStore(VARIABLE_STORE_INDEX Index, UINT8 *Buffer, UINTN *Size, UINT32 *Attributes) {
  const VARIABLE_STORE *Store = &mVariableStores[Index];
  *Size = Store->DeclaredSize;
  return gRT->GetVariable(Store->Name, Store->Guid, Attributes, Size, Buffer);
}

EFI_STATUS WriteStoreBack(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN Size,
                          const UINT8 *Data) {
  if (!MayWriteBack(Attributes)) {
    return EFI_WRITE_PROTECTED;
  }
  return gRT->SetVariable(Name, Guid, Attributes, Size, Data);
}
