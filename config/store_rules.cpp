// SPDX-License-Identifier: BSD-2-Clause-Patent
// The page's storage rules, and the one place where "Setup" and "System" are read and written.
#include "config/store_rules.h"

#include "config/reset_replacement.h"
#include "config/store_access.h"
#include "probes/security_probes.h"
#include "support/diagnostics.h"
#include "support/memory.h"
#include "support/service_context.h"
#include "support/strings.h"

// "Setup" is written back only when the byte changes (every page visit
// extracts each store: rewriting it each time would wear the flash), with
// the attributes it was read with, and only at its declared size, so no byte
// is stored that was not read.
VOID RefreshTxtCapable(VOID) {
  UINT8 Buffer[Setup::Size];
  UINTN Size;
  UINT32 Attributes = 0;
  EFI_STATUS Status = ReadFixedStore(STORE_SETUP, Buffer, &Size, &Attributes);
  QV_DIAG("GetVariable returned: %r\n", QV_DIAG_ARG(Status));
  if (EFI_ERROR(Status) || Size != Setup::Size || !EvaluateTxtCapability() || Buffer[Setup::TxtCapable] == 1) {
    return;
  }
  Buffer[Setup::TxtCapable] = 1;
  const VARIABLE_STORE *Store = &mVariableStores[STORE_SETUP];
  WriteStoreBack(Store->Name, Store->Guid, Attributes, Size, Buffer);
}

// Stores that are served as zeros when their variable does not exist; all
// but "TpmStatusVar" are created with those zeros. A request gets the zeros
// only under the store's own name and GUID: any other name is an absent
// variable like any other, so no caller can fill the variable store.
static const UINT8 mZeroDefaultStores[] = {STORE_TPM_STATUS, STORE_PBA_STATUS, STORE_HDD_PASSWORD_STATUS};

const VARIABLE_STORE *ServeAbsentStore(const CHAR16 *Name, const EFI_GUID *Guid, EFI_STATUS QueryStatus,
                                       const UINT8 *Zeros) {
  for (UINT8 Index : mZeroDefaultStores) {
    const VARIABLE_STORE *Store = &mVariableStores[Index];
    if (!GuidsEqual(Guid, Store->Guid) || Utf16Compare(Name, Store->Name) != 0) {
      continue;
    }
    if (Index == STORE_TPM_STATUS) {
      QV_DIAG("Clearing TPM Status Variable\n");
    } else if (QueryStatus == EFI_NOT_FOUND) {
      // Creation failures are not reported: the zeros are served all the same.
      // A variable that exists but cannot be read is served as zeros too,
      // and left as it is.
      gRT->SetVariable(Name, Guid, SECURITY_VARIABLE_ATTRIBUTES, Store->DeclaredSize, Zeros);
    }
    return Store;
  }
  return NULL;
}

BOOLEAN RoutingDiscards(const CHAR16 *Name) { return Utf16Compare(Name, mVariableStores[STORE_TPM_STATUS].Name) == 0; }

VOID ReadStoredTxtSwitch(ROUTING_RULES *Rules) {
  UINT8 StoredSetup[Setup::Size];
  UINTN Size;
  Rules->StoredTxtKnown = !EFI_ERROR(ReadFixedStore(STORE_SETUP, StoredSetup, &Size, NULL)) && Size > Setup::TxtEnable;
  Rules->StoredTxtSwitch = Rules->StoredTxtKnown ? StoredSetup[Setup::TxtEnable] : 0;
}

// The rules reach only bytes the stored block holds.
VOID SelectRoutingRules(ROUTING_RULES *Rules, const CHAR16 *Name, const EFI_GUID *Guid, const UINT8 *Block,
                        UINTN Size) {
  const VARIABLE_STORE *SetupStore = &mVariableStores[STORE_SETUP];
  Rules->SetupStore =
      Utf16Compare(Name, SetupStore->Name) == 0 && GuidsEqual(Guid, SetupStore->Guid) && Size > Setup::TxtEnable;
  Rules->SystemStore = Utf16Compare(Name, mVariableStores[STORE_SYSTEM].Name) == 0 && Size > System::TpmActivated;
  // Without a usable stored copy (unreadable, or larger than declared) the
  // switch is compared with the stored variable read just now, before merging.
  if (Rules->SetupStore && !Rules->StoredTxtKnown) {
    Rules->StoredTxtSwitch = Block[Setup::TxtEnable];
  }
}

// A TPM state change request that cannot change anything is withdrawn, so
// the platform does not ask for physical presence in vain. Requests are the
// TCG physical-presence operations. Bit (3 * E + A) of a request's mask is
// set when it is withdrawn, where E and A are the enabled and activated bytes
// reduced to 0, 1 or 2 for any other value (the tests are for exact 0 or 1):
//               E0: A0 A1 A2   E1: A0 A1 A2   E2: A0 A1 A2
//   1 Enable        -  -  -        W  W  W        -  -  -     enabled already
//   2 Disable       W  W  W        -  -  -        -  -  -     disabled already
//   3 Activate      W  W  W        -  W  -        -  W  -     activated, or disabled
//   4 Deactivate    W  W  W        W  -  -        W  -  -     deactivated, or disabled
//   6 Enable and Activate  only E1 A1
//   7 Disable and Deactivate  as Disable
// 0 No Change, 5 Clear and the owner-install requests are never withdrawn.
static const UINT16 mIdleTpmRequests[8] = {0, 0x038, 0x007, 0x097, 0x04F, 0, 0x010, 0x007};

static UINTN TpmStateIndex(UINT8 Value) { return Value <= 1 ? Value : 2; }

static VOID WithdrawIdleTpmRequest(UINT8 *System) {
  UINT8 Request = System[System::TpmRequest];
  UINTN Cell = 3 * TpmStateIndex(System[System::TpmEnabled]) + TpmStateIndex(System[System::TpmActivated]);
  if (Request < 8 && ((mIdleTpmRequests[Request] >> Cell) & 1) != 0) {
    System[System::TpmRequest] = 0;
  }
}

VOID ApplyRoutingRules(const ROUTING_RULES *Rules, UINT8 *Block) {
  if (Rules->SystemStore) {
    WithdrawIdleTpmRequest(Block);
  }
  if (Rules->SetupStore) {
    if (Rules->StoredTxtSwitch != Block[Setup::TxtEnable]) {
      InstallResetReplacement();
    }
    // TXT needs processor virtualisation.
    if (Block[Setup::TxtEnable] == 1) {
      Block[Setup::VtEnable] = 1;
    }
  }
}

// The platform's TXT flag as stored; the callback takes it once per boot.
BOOLEAN StoredTxtCapable(VOID) {
  UINT8 Buffer[Setup::Size];
  UINTN Size;
  return !EFI_ERROR(ReadFixedStore(STORE_SETUP, Buffer, &Size, NULL)) && Size > Setup::TxtCapable &&
         Buffer[Setup::TxtCapable] == 1;
}

EFI_STATUS WriteSystemByte(UINTN Offset, UINT8 Byte) {
  UINT8 Buffer[System::Size];
  UINTN Size;
  UINT32 Attributes = 0;
  EFI_STATUS Status = ReadFixedStore(STORE_SYSTEM, Buffer, &Size, &Attributes);
  if (EFI_ERROR(Status)) {
    QV_DIAG("Failed to get QEL_SYSTEM_CONFIGURATION variable, Status = %x\n", QV_DIAG_ARG(Status));
    return Status;
  }
  if (Size <= Offset) {
    return EFI_BAD_BUFFER_SIZE;  // too short to hold the field: nothing to change
  }
  Buffer[Offset] = Byte;
  const VARIABLE_STORE *Store = &mVariableStores[STORE_SYSTEM];
  Status = WriteStoreBack(Store->Name, Store->Guid, Attributes, Size, Buffer);
  if (EFI_ERROR(Status)) {
    QV_DIAG("Failed to set QEL_SYSTEM_CONFIGURATION variable, Status = %x\n", QV_DIAG_ARG(Status));
  }
  return Status;
}
