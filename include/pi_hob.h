// SPDX-License-Identifier: BSD-2-Clause-Patent
// PI hand-off block headers.
#pragma once
#include "include/uefi_types.h"

struct EFI_HOB_GENERIC_HEADER {
  UINT16 HobType;
  UINT16 HobLength;
  UINT32 Reserved;
};
static_assert(sizeof(EFI_HOB_GENERIC_HEADER) == 8, "HOB header");

struct EFI_HOB_GUID_TYPE {
  EFI_HOB_GENERIC_HEADER Header;
  EFI_GUID Name;
};
static_assert(sizeof(EFI_HOB_GUID_TYPE) == 24, "GUID extension HOB header");

// The phase hand-off information table (PHIT): the first HOB of every list.
// EfiEndOfHobList is the address of the list's end, where the end HOB sits.
struct EFI_HOB_HANDOFF_INFO_TABLE {
  EFI_HOB_GENERIC_HEADER Header;
  UINT32 Version;
  UINT32 BootMode;
  UINT64 EfiMemoryTop;
  UINT64 EfiMemoryBottom;
  UINT64 EfiFreeMemoryTop;
  UINT64 EfiFreeMemoryBottom;
  UINT64 EfiEndOfHobList;
};
static_assert(sizeof(EFI_HOB_HANDOFF_INFO_TABLE) == 56, "PHIT HOB");
static_assert(__builtin_offsetof(EFI_HOB_HANDOFF_INFO_TABLE, EfiEndOfHobList) == 48, "EfiEndOfHobList");

#define EFI_HOB_TYPE_HANDOFF 0x0001
#define EFI_HOB_TYPE_GUID_EXTENSION 0x0004
#define EFI_HOB_TYPE_UNUSED 0xFFFE
#define EFI_HOB_TYPE_END_OF_HOB_LIST 0xFFFF
