// SPDX-License-Identifier: BSD-2-Clause-Patent
// Reading and writing the stores: at the stored size into pool, fixed-size into a buffer, write-back.
#pragma once
#include "config/variable_stores.h"
#include "include/uefi_types.h"

// Reads the variable, whose size query reported *Size, into a new pool block.
// On success *Block holds the data (the caller frees it) and *Size the bytes
// read; otherwise nothing is left allocated: EFI_OUT_OF_RESOURCES or the
// status of the read.
EFI_STATUS ReadVariableBlock(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size,
                             UINT8 **Block);
// TRUE when a size query (size 0, no buffer) found the variable: too small
// for any variable with data, success for one that holds no bytes.
inline BOOLEAN SizeQueryFoundVariable(EFI_STATUS Status) {
  return Status == EFI_BUFFER_TOO_SMALL || Status == EFI_SUCCESS;
}

// Reads store Index of mVariableStores into Buffer, which holds the store's
// declared size; *Size is then the number of bytes read. A larger variable
// is not read (EFI_BUFFER_TOO_SMALL). Attributes may be null.
EFI_STATUS ReadFixedStore(VARIABLE_STORE_INDEX Index, UINT8 *Buffer, UINTN *Size, UINT32 *Attributes);
// Writes Size bytes of Data back to an existing variable with the attributes
// it was read with. A variable with authentication bits would need a signed
// payload: it is refused with EFI_WRITE_PROTECTED and nothing is written.
EFI_STATUS WriteStoreBack(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN Size,
                          const UINT8 *Data);
