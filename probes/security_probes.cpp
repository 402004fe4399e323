#include "probes/security_probes.h"

#include "entry/service_context.h"
#include "include/guids.h"
#include "include/pi_hob.h"
#include "probes/hardware_access.h"
#include "support/strings.h"

// Data bytes of the TXT capability HOB that must both be 1.
#define TXT_HOB_CAPABLE_BYTE 3
#define TXT_HOB_ENABLED_BYTE 1
#define TXT_HOB_MIN_DATA_SIZE 4

BOOLEAN IsTpmPresent(VOID) { return TpmPresenceStatus(reinterpret_cast<const UINT8 *>(TPM_ACCESS_ADDRESS)) == EFI_SUCCESS; }

EFI_STATUS TpmPresenceStatus(const UINT8 *AccessRegister) {
  // No device on the bus reads as all ones.
  return HwMmioRead8(reinterpret_cast<UINTN>(AccessRegister)) < 0xFF ? EFI_SUCCESS : EFI_NOT_FOUND;
}

UINT8 IsSmxSupported(VOID) {
  UINT32 Ecx = 0;
  AsmCpuid(CPUID_VERSION_INFO, NULL, NULL, &Ecx, NULL);
  return (Ecx & CPUID_ECX_SMX) != 0 ? 1 : 0;
}

UINT32 AsmCpuid(UINT32 Index, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  UINT32 Registers[4];
  HwCpuid(Index, Registers);
  UINT32 *Targets[4] = {Eax, Ebx, Ecx, Edx};
  for (UINTN Register = 0; Register < 4; Register++) {
    if (Targets[Register] != NULL) {
      *Targets[Register] = Registers[Register];
    }
  }
  return Index;
}

EFI_STATUS GetSystemConfigurationTable(const EFI_GUID *TableGuid, VOID **Table) {
  *Table = NULL;
  for (UINTN Index = 0; Index < gST->NumberOfTableEntries; Index++) {
    if (GuidsEqual(&gST->ConfigurationTable[Index].VendorGuid, TableGuid)) {
      *Table = gST->ConfigurationTable[Index].VendorTable;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS GetNextGuidHob(VOID **HobCursor, const EFI_GUID *Name, VOID **Data, UINTN *DataSize) {
  if (Data == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  for (;;) {
    const EFI_HOB_GENERIC_HEADER *Hob = static_cast<const EFI_HOB_GENERIC_HEADER *>(*HobCursor);
    // Walk to the first GUID-extension HOB at or after the cursor.
    for (;;) {
      if (Hob->HobType == EFI_HOB_TYPE_END_OF_HOB_LIST) {
        if (Hob != *HobCursor) {
          // No candidate: the cursor moves past the HOB it stood on.
          *HobCursor = const_cast<EFI_HOB_GENERIC_HEADER *>(Hob);
        }
        return EFI_NOT_FOUND;
      }
      UINTN MinimumLength =
          Hob->HobType == EFI_HOB_TYPE_GUID_EXTENSION ? sizeof(EFI_HOB_GUID_TYPE) : sizeof(EFI_HOB_GENERIC_HEADER);
      if (Hob->HobLength < MinimumLength || (Hob->HobLength & 7) != 0) {
        // A length like this would loop for ever or leave the list.
        *HobCursor = const_cast<EFI_HOB_GENERIC_HEADER *>(Hob);
        return EFI_NOT_FOUND;
      }
      if (Hob->HobType == EFI_HOB_TYPE_GUID_EXTENSION) {
        break;
      }
      Hob = reinterpret_cast<const EFI_HOB_GENERIC_HEADER *>(reinterpret_cast<const UINT8 *>(Hob) + Hob->HobLength);
    }
    const EFI_HOB_GUID_TYPE *GuidHob = reinterpret_cast<const EFI_HOB_GUID_TYPE *>(Hob);
    *HobCursor = const_cast<UINT8 *>(reinterpret_cast<const UINT8 *>(Hob) + Hob->HobLength);
    if (GuidsEqual(&GuidHob->Name, Name)) {
      *Data = const_cast<EFI_HOB_GUID_TYPE *>(GuidHob + 1);
      if (DataSize != NULL) {
        *DataSize = Hob->HobLength - sizeof(EFI_HOB_GUID_TYPE);
      }
      return EFI_SUCCESS;
    }
  }
}

BOOLEAN EvaluateTxtCapability(VOID) {
  if (IsSmxSupported() != 1 || !IsTpmPresent()) {
    return FALSE;
  }
  VOID *HobList = NULL;
  if (EFI_ERROR(GetSystemConfigurationTable(&gEfiHobListGuid, &HobList)) || HobList == NULL) {
    return FALSE;
  }
  VOID *Cursor = HobList;
  VOID *Data = NULL;
  UINTN DataSize = 0;
  // The two bytes are read only where the HOB carries them.
  if (EFI_ERROR(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, &DataSize)) || DataSize < TXT_HOB_MIN_DATA_SIZE) {
    return FALSE;
  }
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  return Bytes[TXT_HOB_CAPABLE_BYTE] == 1 && Bytes[TXT_HOB_ENABLED_BYTE] == 1;
}
