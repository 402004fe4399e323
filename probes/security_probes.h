// TPM presence, processor SMX support and the platform's TXT capability report.
// Hardware is reached through probes/hardware_access.h only.
#pragma once
#include "include/uefi_types.h"

#define TPM_ACCESS_ADDRESS 0xFED40000ULL
// CPUID leaf 1, ECX bit 6: Safer Mode Extensions.
#define CPUID_VERSION_INFO 1
#define CPUID_ECX_SMX 0x40U

// TRUE when the byte at TPM_ACCESS_ADDRESS is not 0xFF.
BOOLEAN IsTpmPresent(VOID);
// EFI_SUCCESS when the byte at AccessRegister is below 0xFF, else EFI_NOT_FOUND.
EFI_STATUS TpmPresenceStatus(const UINT8 *AccessRegister);
// 1 when CPUID leaf 1 reports SMX (ECX bit 6), else 0.
UINT8 IsSmxSupported(VOID);
// Executes CPUID leaf Index; a null pointer skips that register. Returns Index.
UINT32 AsmCpuid(UINT32 Index, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx);
// The first configuration-table entry of gST with VendorGuid TableGuid.
EFI_STATUS GetSystemConfigurationTable(const EFI_GUID *TableGuid, VOID **Table);
// Finds the next GUID-extension HOB named Name from *HobCursor on and moves
// the cursor past it. A malformed HOB (shorter than its header, or a length
// that is not a multiple of 8) ends the walk with EFI_NOT_FOUND, the cursor on it.
EFI_STATUS GetNextGuidHob(VOID **HobCursor, const EFI_GUID *Name, VOID **Data, UINTN *DataSize);
// The TXT capability rule: SMX, a TPM, the HOB list, the TXT HOB, its data
// bytes 3 and 1 equal to 1; tested in this order, stopping at the first failure.
BOOLEAN EvaluateTxtCapability(VOID);
