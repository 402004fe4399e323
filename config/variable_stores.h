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

// Attributes of every write whose attributes the driver chooses:
// non-volatile, boot-service and runtime access.
constexpr UINT32 SECURITY_VARIABLE_ATTRIBUTES = 0x00000007U;

// The largest zero block extraction serves for an absent store.
constexpr UINT16 LARGEST_DEFAULT_STORE_SIZE = TpmStatusVar::Size;
