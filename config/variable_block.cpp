// SPDX-License-Identifier: BSD-2-Clause-Patent
// Reading a store at its stored size into a working pool block.
#include "config/variable_block.h"

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
