// SPDX-License-Identifier: BSD-2-Clause-Patent
// TPM presence, processor SMX support and the platform's TXT capability report.
// Hardware is reached through probes/hardware_access.h only.
#pragma once
#include "include/uefi_types.h"

constexpr UINT64 TPM_ACCESS_ADDRESS = 0xFED40000ULL;
// CPUID leaf 1, ECX bit 6: Safer Mode Extensions.
constexpr UINT32 CPUID_VERSION_INFO = 1;
constexpr UINT32 CPUID_ECX_SMX = 0x40U;

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
// Only the end HOB ends this walk: use it on a list known to carry one.
EFI_STATUS GetNextGuidHob(VOID **HobCursor, const EFI_GUID *Name, VOID **Data, UINTN *DataSize);
// The same walk inside a list that ends at ListEnd: a HOB is visited only when
// it lies wholly below ListEnd, and reaching ListEnd ends the walk as the end
// HOB does (the cursor then stands on ListEnd). A HOB that reaches past
// ListEnd ends it as a malformed one does. Nothing at or after ListEnd is read.
EFI_STATUS GetNextGuidHobInList(VOID **HobCursor, const VOID *ListEnd, const EFI_GUID *Name, VOID **Data,
                                UINTN *DataSize);
// The end of the HOB list that starts at HobList, as its first HOB, the PHIT
// HOB, gives it; null when the list does not start with a PHIT HOB.
const VOID *GetHobListEnd(const VOID *HobList);
// The TXT capability rule: SMX, a TPM, the HOB list, the TXT HOB, its data
// bytes 3 and 1 equal to 1; tested in this order, stopping at the first failure.
// The HOB list is searched only up to the end its PHIT HOB gives.
BOOLEAN EvaluateTxtCapability(VOID);
