// One-time initialisation: locate services, register the Security page,
// install the configuration-access service and the form-set record.
#pragma once
#include "include/system_table.h"
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"

EFI_STATUS DxeMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);
EFI_STATUS InitializePbaVariables(VOID);
// Builds a package list from NumberOfPackages length-prefixed package arrays
// (const UINT8 *), in argument order, closed by an end package. Caller frees.
EFI_HII_PACKAGE_LIST_HEADER *PreparePackageList(UINTN NumberOfPackages, const EFI_GUID *PackageListGuid, ...);
EFI_STATUS CreateHiiDriverHandle(EFI_HANDLE *DriverHandle);
EFI_STATUS InstallSecurityConfigAccess(EFI_HANDLE DriverHandle);

extern const EFI_HII_CONFIG_ACCESS_PROTOCOL mSecurityConfigAccess;

#define END_PACKAGE_HEADER 0xDF000004U
#define UNLOCK_FORM_ID 17
#define UNLOCK_FORM_PROMPT_STRING_ID 116
#define UNLOCK_FORM_TEXT_STRING_ID 117
