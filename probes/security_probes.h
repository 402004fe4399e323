// TPM presence, processor SMX support and the platform's TXT capability report.
#pragma once
#include "include/uefi_types.h"

#define TPM_ACCESS_ADDRESS 0xFED40000ULL

// TRUE when the byte at TPM_ACCESS_ADDRESS is not 0xFF.
BOOLEAN IsTpmPresent(VOID);
// EFI_SUCCESS when the byte at AccessRegister is below 0xFF, else EFI_NOT_FOUND.
EFI_STATUS TpmPresenceStatus(const UINT8 *AccessRegister);
// 1 when CPUID leaf 1 reports SMX (ECX bit 6), else 0.
UINT8 IsSmxSupported(VOID);
UINT32 AsmCpuid(UINT32 Index, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx);
EFI_STATUS GetSystemConfigurationTable(const EFI_GUID *TableGuid, VOID **Table);
EFI_STATUS GetNextGuidHob(VOID **HobCursor, const EFI_GUID *Name, VOID **Data, UINTN *DataSize);
// Result of the TXT capability rule: how far its six tests got.
struct TXT_CAPABILITY {
  BOOLEAN SmxAndTpm;  // the first two tests passed
  BOOLEAN Capable;    // all six passed
};
TXT_CAPABILITY EvaluateTxtCapability(VOID);
