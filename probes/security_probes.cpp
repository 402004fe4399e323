#include "probes/security_probes.h"

#include "probes/hardware_access.h"

// Placeholder until the probes are in place: no TPM, no SMX, nothing found.
BOOLEAN IsTpmPresent(VOID) { return FALSE; }
EFI_STATUS TpmPresenceStatus(const UINT8 *) { return EFI_NOT_FOUND; }
UINT8 IsSmxSupported(VOID) { return 0; }
UINT32 AsmCpuid(UINT32 Index, UINT32 *, UINT32 *, UINT32 *, UINT32 *) { return Index; }
EFI_STATUS GetSystemConfigurationTable(const EFI_GUID *, VOID **Table) {
  *Table = NULL;
  return EFI_NOT_FOUND;
}
EFI_STATUS GetNextGuidHob(VOID **, const EFI_GUID *, VOID **, UINTN *) { return EFI_NOT_FOUND; }
TXT_CAPABILITY EvaluateTxtCapability(VOID) { return TXT_CAPABILITY{FALSE, FALSE}; }
