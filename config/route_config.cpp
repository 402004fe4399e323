// SPDX-License-Identifier: BSD-2-Clause-Patent
// RouteConfig: merges a submitted configuration into its stored variable and
// writes it back at its stored size and attributes, after the page's storage
// rules (config/store_rules.h).
#include "config/config_strings.h"
#include "config/security_config_access.h"
#include "config/store_access.h"
#include "config/store_rules.h"
#include "support/image_memory.h"
#include "support/service_context.h"

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
  ROUTING_RULES Rules;
  ReadStoredTxtSwitch(&Rules);

  CHAR16 Name[CONFIG_NAME_BUFFER_SIZE / sizeof(CHAR16)];
  EFI_GUID Guid;
  if (!GetVariableFromConfigString(Configuration, Name, &Guid)) {
    *Progress = const_cast<EFI_STRING>(Configuration);
    return EFI_INVALID_PARAMETER;
  }
  if (RoutingDiscards(Name)) {
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
  // A variable that cannot be written back is refused before anything is merged.
  if (!MayWriteBack(Attributes)) {
    FreePoolIfPresent(Block);
    return EFI_WRITE_PROTECTED;
  }
  SelectRoutingRules(&Rules, Name, &Guid, Block, StoredSize);
  UINTN BlockSize = StoredSize;
  Status = mHiiConfigRouting->ConfigToBlock(mHiiConfigRouting, Configuration, Block, &BlockSize, Progress);
  if (EFI_ERROR(Status)) {
    FreePoolIfPresent(Block);
    return Status;
  }
  ApplyRoutingRules(&Rules, Block);

  // A variable that holds no bytes is left as it is: writing 0 bytes deletes.
  if (StoredSize != 0) {
    Status = WriteStoreBack(Name, &Guid, Attributes, StoredSize, Block);
  }
  FreePoolIfPresent(Block);
  return Status;
}
