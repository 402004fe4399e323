// SPDX-License-Identifier: BSD-2-Clause-Patent
// The seven variable stores behind the Security page: name, GUID, declared size and varstore ID.
// Their field offsets are in forms/security_page_ids.h, one group per store.
#pragma once
#include "forms/security_page_ids.h"
#include "include/uefi_types.h"

struct VARIABLE_STORE {
  const CHAR16 *Name;
  const EFI_GUID *Guid;
  UINT16 DeclaredSize;
  UINT16 VarStoreId;  // the ID the form set gives the store
};

// Table order is the order in which incoming strings are tested.
enum VARIABLE_STORE_INDEX {
  STORE_SETUP,
  STORE_TPM_STATUS,
  STORE_PBA_STATUS,
  STORE_STATUS_SETUP,
  STORE_HDD_PASSWORD_STATUS,
  STORE_SYSTEM,
  STORE_USER_MANAGER,
  VARIABLE_STORE_COUNT
};

extern const VARIABLE_STORE mVariableStores[VARIABLE_STORE_COUNT];

// Attributes of a variable the driver creates: non-volatile, boot-service
// and runtime access. An existing variable is written back with the
// attributes it was read with.
constexpr UINT32 SECURITY_VARIABLE_ATTRIBUTES = 0x00000007U;

// Attribute bits that make every write need a signed payload (UEFI:
// EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS, ..._TIME_BASED_AUTHENTICATED_WRITE_ACCESS,
// EFI_VARIABLE_ENHANCED_AUTHENTICATED_ACCESS). The driver signs nothing, so
// it never writes such a variable back.
constexpr UINT32 VARIABLE_AUTHENTICATION_ATTRIBUTES = 0x000000B0U;
inline BOOLEAN MayWriteBack(UINT32 Attributes) { return (Attributes & VARIABLE_AUTHENTICATION_ATTRIBUTES) == 0; }

// The largest zero block extraction serves for an absent store.
constexpr UINT16 LARGEST_DEFAULT_STORE_SIZE = TpmStatusVar::Size;
