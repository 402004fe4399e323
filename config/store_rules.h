// SPDX-License-Identifier: BSD-2-Clause-Patent
// The page's storage rules, and the one place where "Setup" and "System" are read and written.
//
// Extraction: the TXT-capable byte of "Setup" is refreshed, absent status stores are served as
// zeros (and created). Routing: "TpmStatusVar" is discarded, an idle TPM request is withdrawn
// from "System", TXT forces VT on in "Setup" and a change of the TXT switch arms the reset
// replacement. Callback: the TXT-capable byte is read and the password length limits are
// written to "System".
#pragma once
#include "config/variable_stores.h"
#include "include/uefi_types.h"

// Sets byte Setup::TxtCapable of "Setup" when the platform is TXT-capable; never clears it.
VOID RefreshTxtCapable(VOID);

// The store whose zeros extraction serves for an absent variable Name under Guid, or null
// when the absence is an error. The query status tells whether the variable does not exist
// (EFI_NOT_FOUND: the status stores are then created with Zeros, the store's declared size)
// or exists but cannot be read (served as zeros and left as it is).
const VARIABLE_STORE *ServeAbsentStore(const CHAR16 *Name, const EFI_GUID *Guid, EFI_STATUS QueryStatus,
                                       const UINT8 *Zeros);

// TRUE for a string routing accepts and discards: the TPM status store is filled at
// retrieval and never stored.
BOOLEAN RoutingDiscards(const CHAR16 *Name);

// What routing's rules know of the stored variables before a string is merged.
struct ROUTING_RULES {
  UINT8 StoredTxtSwitch;   // byte Setup::TxtEnable as stored
  BOOLEAN StoredTxtKnown;  // the stored "Setup" was read and holds the switch
  BOOLEAN SetupStore;      // the block is the platform's "Setup" and holds the switch
  BOOLEAN SystemStore;     // the block is "System" and holds the TPM state bytes
};
// Reads the TXT switch of the stored "Setup"; every routing call does, whatever store it names.
VOID ReadStoredTxtSwitch(ROUTING_RULES *Rules);
// Chooses the rules for the block of Size bytes read for Name and Guid, before it is merged.
VOID SelectRoutingRules(ROUTING_RULES *Rules, const CHAR16 *Name, const EFI_GUID *Guid, const UINT8 *Block,
                        UINTN Size);
// Applies them to the merged block: withdraws an idle TPM request; arms the reset replacement
// when the TXT switch changed and switches VT on with TXT.
VOID ApplyRoutingRules(const ROUTING_RULES *Rules, UINT8 *Block);

// TRUE when the stored "Setup" has its TXT-capable byte at 1.
BOOLEAN StoredTxtCapable(VOID);
// Stores one byte of "System" at once, with the attributes it was read with. Returns
// GetVariable's status, EFI_BAD_BUFFER_SIZE when "System" is too short to hold Offset,
// EFI_WRITE_PROTECTED for an authenticated "System" (nothing written), or SetVariable's status.
EFI_STATUS WriteSystemByte(UINTN Offset, UINT8 Byte);
