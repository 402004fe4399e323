// SPDX-License-Identifier: BSD-2-Clause-Patent
// One-time initialisation: locate services, register the Security page,
// install the configuration-access service and the form-set record.
#pragma once
#include "include/protocols/hii_config.h"
#include "include/protocols/hii_database.h"
#include "include/system_table.h"

EFI_STATUS DxeMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);
EFI_STATUS InitializePbaVariables(VOID);
// Builds a package list from NumberOfPackages length-prefixed package arrays
// (const UINT8 *), in argument order, closed by an end package. Caller frees.
EFI_HII_PACKAGE_LIST_HEADER *PreparePackageList(UINTN NumberOfPackages, const EFI_GUID *PackageListGuid, ...);
EFI_STATUS CreateHiiDriverHandle(EFI_HANDLE *DriverHandle);
EFI_STATUS InstallSecurityConfigAccess(EFI_HANDLE DriverHandle);

extern const EFI_HII_CONFIG_ACCESS_PROTOCOL mSecurityConfigAccess;

// The header of the end package that closes a package list: type EFI_HII_PACKAGE_END, 4 bytes.
constexpr UINT32 END_PACKAGE_HEADER = ((UINT32)EFI_HII_PACKAGE_END << 24) | 4U;
