// SPDX-License-Identifier: BSD-2-Clause-Patent
// ExtractConfig: serves one of the seven stores to the configuration
// routing service, refreshing the TXT-capable byte of "Setup" on the way.
#include "config/config_strings.h"
#include "config/security_config_access.h"
#include "config/variable_block.h"
#include "probes/security_probes.h"
#include "support/diagnostics.h"
#include "support/image_memory.h"
#include "support/service_context.h"
#include "support/strings.h"

// Sets byte Setup::TxtCapable of "Setup" when the platform is TXT-capable; the byte is
// never cleared here. "Setup" is written back only when the byte changes
// (every page visit extracts each store: rewriting it each time would wear
// the flash), with the attributes it was read with, and only at its declared
// size, so no byte is stored that was not read.
static VOID RefreshTxtCapable(VOID) {
  const VARIABLE_STORE *Setup = &mVariableStores[STORE_SETUP];
  UINT8 Buffer[Setup::Size];
  UINTN Size = sizeof(Buffer);
  UINT32 Attributes = 0;
  EFI_STATUS Status = gRT->GetVariable(Setup->Name, Setup->Guid, &Attributes, &Size, Buffer);
  QV_DIAG("GetVariable returned: %r\n", QV_DIAG_ARG(Status));
  if (EFI_ERROR(Status) || Size != Setup::Size || !EvaluateTxtCapability() ||
      Buffer[Setup::TxtCapable] == 1 || !MayWriteBack(Attributes)) {
    return;
  }
  Buffer[Setup::TxtCapable] = 1;
  gRT->SetVariable(Setup->Name, Setup->Guid, Attributes, Setup::Size, Buffer);
}

// Stores that are served as zeros when their variable does not exist; all
// but "TpmStatusVar" are created with those zeros. A request gets the zeros
// only under the store's own name and GUID: any other name is an absent
// variable like any other, so no caller can fill the variable store.
static const UINT8 mZeroDefaultStores[] = {STORE_TPM_STATUS, STORE_PBA_STATUS, STORE_HDD_PASSWORD_STATUS};

static const VARIABLE_STORE *ZeroDefaultStore(const CHAR16 *Name, const EFI_GUID *Guid) {
  for (UINT8 Index : mZeroDefaultStores) {
    const VARIABLE_STORE *Store = &mVariableStores[Index];
    if (GuidsEqual(Guid, Store->Guid) && Utf16Compare(Name, Store->Name) == 0) {
      return Store;
    }
  }
  return NULL;
}

EFI_STATUS EFIAPI SecurityExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Request,
                                        EFI_STRING *Progress, EFI_STRING *Results) {
  QV_DIAG("SecurityExtractConfig: entry\n");
  if (Progress == NULL || Results == NULL || Request == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  QV_DIAG("  Request:  %s\n", QV_DIAG_ARG(Request));
  // Every failure of the driver's own leaves Progress at the start of the
  // request; BlockToConfig sets it where it fails or ends.
  *Progress = const_cast<EFI_STRING>(Request);
  if (Request[0] == 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (!ConfigHdrNamesStore(Request)) {
    return EFI_NOT_FOUND;
  }

  RefreshTxtCapable();

  CHAR16 Name[CONFIG_NAME_BUFFER_SIZE / sizeof(CHAR16)];
  EFI_GUID Guid;
  if (!GetVariableFromConfigString(Request, Name, &Guid)) {
    return EFI_INVALID_PARAMETER;
  }
#if defined(QUORVANE_DIAGNOSTICS) && QUORVANE_DIAGNOSTICS
  if (GuidsEqual(&Guid, mVariableStores[STORE_PBA_STATUS].Guid)) {
    QV_DIAG("PBA Status var\n");
  } else if (GuidsEqual(&Guid, mVariableStores[STORE_HDD_PASSWORD_STATUS].Guid)) {
    QV_DIAG("HDD Status var\n");
  }
#endif

  UINTN Size = 0;
  EFI_STATUS Status = gRT->GetVariable(Name, &Guid, NULL, &Size, NULL);
  QV_DIAG("GetVariable returned size of %d\n", QV_DIAG_ARG(Size));
  UINT8 *Block = NULL;
  UINT8 Zeros[LARGEST_DEFAULT_STORE_SIZE] = {};
  const UINT8 *Served = Zeros;
  if (SizeQueryFoundVariable(Status)) {
    Status = ReadVariableBlock(Name, &Guid, NULL, &Size, &Block);
    QV_DIAG("GetVariable returned: %r\n", QV_DIAG_ARG(Status));
    if (EFI_ERROR(Status)) {
      return Status;
    }
    Served = Block;
  } else {
    const VARIABLE_STORE *Default = ZeroDefaultStore(Name, &Guid);
    if (Default == NULL) {
      return Status;
    }
    Size = Default->DeclaredSize;
    if (Default == &mVariableStores[STORE_TPM_STATUS]) {
      QV_DIAG("Clearing TPM Status Variable\n");
    } else if (Status == EFI_NOT_FOUND) {
      // Creation failures are not reported: the zeros are served all the same.
      // A variable that exists but cannot be read is served as zeros too,
      // and left as it is.
      gRT->SetVariable(Name, &Guid, SECURITY_VARIABLE_ATTRIBUTES, Size, Zeros);
    }
  }

  Status = mHiiConfigRouting->BlockToConfig(mHiiConfigRouting, Request, Served, Size, Results, Progress);
  if (!EFI_ERROR(Status)) {
    QV_DIAG("  Progress: %s\n", QV_DIAG_ARG(*Progress));
    QV_DIAG("  Results:  %s\n", QV_DIAG_ARG(*Results));
  }
  FreePoolIfPresent(Block);
  return Status;
}
