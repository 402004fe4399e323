// SPDX-License-Identifier: BSD-2-Clause-Patent
// TPM presence, processor SMX support and the platform's TXT capability rule.
#include "probes/security_probes.h"

#include "include/guids.h"
#include "include/pi_hob.h"
#include "probes/hardware_access.h"
#include "support/service_context.h"
#include "support/strings.h"

// Data bytes of the TXT capability HOB that must both be 1.
constexpr UINTN TXT_HOB_CAPABLE_BYTE = 3;
constexpr UINTN TXT_HOB_ENABLED_BYTE = 1;
constexpr UINTN TXT_HOB_MIN_DATA_SIZE = 4;

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

// Bytes of the list from At up to ListEnd; a null ListEnd sets no bound.
static UINTN BytesBefore(const UINT8 *At, const VOID *ListEnd) {
  if (ListEnd == NULL) {
    return ~(UINTN)0;
  }
  return (UINTN)ListEnd > (UINTN)At ? (UINTN)ListEnd - (UINTN)At : 0;
}

// The walk of GetNextGuidHob and GetNextGuidHobInList; a null ListEnd leaves
// the end HOB as the only end.
static EFI_STATUS FindNextGuidHob(VOID **HobCursor, const VOID *ListEnd, const EFI_GUID *Name, VOID **Data,
                                  UINTN *DataSize) {
  if (Data == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  for (;;) {
    const UINT8 *At = static_cast<const UINT8 *>(*HobCursor);
    // Walk to the first GUID-extension HOB at or after the cursor.
    for (;;) {
      const EFI_HOB_GENERIC_HEADER *Hob = reinterpret_cast<const EFI_HOB_GENERIC_HEADER *>(At);
      UINTN Room = BytesBefore(At, ListEnd);
      // The end of a bounded list ends the walk as the end HOB does.
      if (Room == 0 || (Room >= sizeof(EFI_HOB_GENERIC_HEADER) && Hob->HobType == EFI_HOB_TYPE_END_OF_HOB_LIST)) {
        if (At != *HobCursor) {
          // No candidate: the cursor moves past the HOB it stood on.
          *HobCursor = const_cast<UINT8 *>(At);
        }
        return EFI_NOT_FOUND;
      }
      // The header, and then the whole HOB, must lie inside the list.
      if (Room < sizeof(EFI_HOB_GENERIC_HEADER)) {
        *HobCursor = const_cast<UINT8 *>(At);
        return EFI_NOT_FOUND;
      }
      UINTN MinimumLength =
          Hob->HobType == EFI_HOB_TYPE_GUID_EXTENSION ? sizeof(EFI_HOB_GUID_TYPE) : sizeof(EFI_HOB_GENERIC_HEADER);
      if (Hob->HobLength < MinimumLength || (Hob->HobLength & 7) != 0 || Hob->HobLength > Room) {
        // A length like this would loop for ever or leave the list.
        *HobCursor = const_cast<UINT8 *>(At);
        return EFI_NOT_FOUND;
      }
      if (Hob->HobType == EFI_HOB_TYPE_GUID_EXTENSION) {
        break;
      }
      At += Hob->HobLength;
    }
    const EFI_HOB_GUID_TYPE *GuidHob = reinterpret_cast<const EFI_HOB_GUID_TYPE *>(At);
    *HobCursor = const_cast<UINT8 *>(At + GuidHob->Header.HobLength);
    if (GuidsEqual(&GuidHob->Name, Name)) {
      *Data = const_cast<EFI_HOB_GUID_TYPE *>(GuidHob + 1);
      if (DataSize != NULL) {
        *DataSize = GuidHob->Header.HobLength - sizeof(EFI_HOB_GUID_TYPE);
      }
      return EFI_SUCCESS;
    }
  }
}

EFI_STATUS GetNextGuidHob(VOID **HobCursor, const EFI_GUID *Name, VOID **Data, UINTN *DataSize) {
  return FindNextGuidHob(HobCursor, NULL, Name, Data, DataSize);
}

EFI_STATUS GetNextGuidHobInList(VOID **HobCursor, const VOID *ListEnd, const EFI_GUID *Name, VOID **Data,
                                UINTN *DataSize) {
  if (ListEnd == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  return FindNextGuidHob(HobCursor, ListEnd, Name, Data, DataSize);
}

const VOID *GetHobListEnd(const VOID *HobList) {
  // Nothing but the PHIT HOB says where a HOB list ends: a list whose end HOB
  // is missing or damaged would otherwise be walked into whatever follows it.
  const EFI_HOB_GENERIC_HEADER *First = static_cast<const EFI_HOB_GENERIC_HEADER *>(HobList);
  if (First->HobType != EFI_HOB_TYPE_HANDOFF || First->HobLength < sizeof(EFI_HOB_HANDOFF_INFO_TABLE)) {
    return NULL;
  }
  const EFI_HOB_HANDOFF_INFO_TABLE *Handoff = static_cast<const EFI_HOB_HANDOFF_INFO_TABLE *>(HobList);
  return reinterpret_cast<const VOID *>((UINTN)Handoff->EfiEndOfHobList);
}

BOOLEAN EvaluateTxtCapability(VOID) {
  if (IsSmxSupported() != 1 || !IsTpmPresent()) {
    return FALSE;
  }
  VOID *HobList = NULL;
  if (EFI_ERROR(GetSystemConfigurationTable(&gEfiHobListGuid, &HobList)) || HobList == NULL) {
    return FALSE;
  }
  const VOID *ListEnd = GetHobListEnd(HobList);
  if (ListEnd == NULL) {
    return FALSE;
  }
  VOID *Cursor = HobList;
  VOID *Data = NULL;
  UINTN DataSize = 0;
  // The two bytes are read only where the HOB carries them.
  if (EFI_ERROR(GetNextGuidHobInList(&Cursor, ListEnd, &gTxtInfoHobGuid, &Data, &DataSize)) ||
      DataSize < TXT_HOB_MIN_DATA_SIZE) {
    return FALSE;
  }
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  return Bytes[TXT_HOB_CAPABLE_BYTE] == 1 && Bytes[TXT_HOB_ENABLED_BYTE] == 1;
}
