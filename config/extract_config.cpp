// SPDX-License-Identifier: BSD-2-Clause-Patent
// ExtractConfig: serves one of the seven stores to the configuration
// routing service, refreshing the TXT-capable byte of "Setup" on the way.
#include "config/config_strings.h"
#include "config/security_config_access.h"
#include "config/store_access.h"
#include "config/store_rules.h"
#include "support/diagnostics.h"
#include "support/image_memory.h"
#include "support/service_context.h"
#include "support/strings.h"

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
    const VARIABLE_STORE *Default = ServeAbsentStore(Name, &Guid, Status, Zeros);
    if (Default == NULL) {
      return Status;
    }
    Size = Default->DeclaredSize;
  }

  Status = mHiiConfigRouting->BlockToConfig(mHiiConfigRouting, Request, Served, Size, Results, Progress);
  if (!EFI_ERROR(Status)) {
    QV_DIAG("  Progress: %s\n", QV_DIAG_ARG(*Progress));
    QV_DIAG("  Results:  %s\n", QV_DIAG_ARG(*Results));
  }
  FreePoolIfPresent(Block);
  return Status;
}
