// SPDX-License-Identifier: BSD-2-Clause-Patent
// RouteConfig: merges a submitted configuration into its stored variable and
// writes it back at its stored size and attributes, applying the page's two
// storage rules and arming the reset replacement on a TXT change.
#include "config/config_strings.h"
#include "config/reset_replacement.h"
#include "config/security_config_access.h"
#include "config/variable_block.h"
#include "support/image_memory.h"
#include "support/service_context.h"
#include "support/strings.h"

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

EFI_STATUS EFIAPI SecurityRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Configuration,
                                      EFI_STRING *Progress) {
  if (Progress == NULL || Configuration == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (!ConfigHdrNamesStore(Configuration)) {
    *Progress = const_cast<EFI_STRING>(Configuration);
    return EFI_NOT_FOUND;
  }

  // The stored "Setup", to tell whether the TXT switch changes.
  const VARIABLE_STORE *Setup = &mVariableStores[STORE_SETUP];
  UINT8 StoredSetup[Setup::Size];
  UINTN StoredSetupSize = sizeof(StoredSetup);
  BOOLEAN StoredTxtKnown = !EFI_ERROR(gRT->GetVariable(Setup->Name, Setup->Guid, NULL, &StoredSetupSize, StoredSetup)) &&
                           StoredSetupSize > Setup::TxtEnable;

  CHAR16 Name[CONFIG_NAME_BUFFER_SIZE / sizeof(CHAR16)];
  EFI_GUID Guid;
  if (!GetVariableFromConfigString(Configuration, Name, &Guid)) {
    *Progress = const_cast<EFI_STRING>(Configuration);
    return EFI_INVALID_PARAMETER;
  }

  // The TPM status store is filled at retrieval and never stored.
  if (Utf16Compare(Name, mVariableStores[STORE_TPM_STATUS].Name) == 0) {
    return EFI_SUCCESS;
  }

  // From here on every failure of the driver's own leaves Progress at the
  // start of the string; ConfigToBlock sets it where it fails or ends.
  *Progress = const_cast<EFI_STRING>(Configuration);

  // Routing never creates a variable.
  UINT32 Attributes = 0;
  UINTN StoredSize = 0;
  EFI_STATUS Status = gRT->GetVariable(Name, &Guid, &Attributes, &StoredSize, NULL);
  if (!SizeQueryFoundVariable(Status)) {
    return Status;
  }
  UINT8 *Block = NULL;
  Status = ReadVariableBlock(Name, &Guid, &Attributes, &StoredSize, &Block);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  if (!MayWriteBack(Attributes)) {
    FreePoolIfPresent(Block);
    return EFI_WRITE_PROTECTED;
  }
  // Without a usable stored copy (unreadable, or larger than declared) the
  // switch is compared with the stored variable read just now, before merging.
  BOOLEAN SetupStore = Utf16Compare(Name, Setup->Name) == 0 && GuidsEqual(&Guid, Setup->Guid) &&
                       StoredSize > Setup::TxtEnable;
  if (SetupStore && !StoredTxtKnown) {
    StoredSetup[Setup::TxtEnable] = Block[Setup::TxtEnable];
  }
  UINTN BlockSize = StoredSize;
  Status = mHiiConfigRouting->ConfigToBlock(mHiiConfigRouting, Configuration, Block, &BlockSize, Progress);
  if (EFI_ERROR(Status)) {
    FreePoolIfPresent(Block);
    return Status;
  }

  // The rules reach only bytes the stored block holds.
  if (Utf16Compare(Name, mVariableStores[STORE_SYSTEM].Name) == 0 && StoredSize > System::TpmActivated) {
    WithdrawIdleTpmRequest(Block);
  }
  if (SetupStore) {
    if (StoredSetup[Setup::TxtEnable] != Block[Setup::TxtEnable]) {
      InstallResetReplacement();
    }
    // TXT needs processor virtualisation.
    if (Block[Setup::TxtEnable] == 1) {
      Block[Setup::VtEnable] = 1;
    }
  }

  // A variable that holds no bytes is left as it is: writing 0 bytes deletes.
  if (StoredSize != 0) {
    Status = gRT->SetVariable(Name, &Guid, Attributes, StoredSize, Block);
  }
  FreePoolIfPresent(Block);
  return Status;
}
