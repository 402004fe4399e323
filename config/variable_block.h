// SPDX-License-Identifier: BSD-2-Clause-Patent
// Reading a store at its stored size into a working block of pool memory.
#pragma once
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
