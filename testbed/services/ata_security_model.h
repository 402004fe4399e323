// SPDX-License-Identifier: BSD-2-Clause-Patent
// A software model of the ATA security feature set (ATA/ATAPI-8 ACS, security
// mode feature set) for a disk that has none, such as QEMU's emulated disk.
// The hard-disk password service lays it over the disk's IDENTIFY DEVICE data
// (words 82, 92, 128) and lets it answer SECURITY SET PASSWORD, so every state
// the Security page knows can be shown and the password dialog tried on OVMF.
// The scenario key "hdd-security" chooses the state at boot:
//   none         supported, no password
//   user         user password set (security enabled)
//   master       master password set, no user password
//   user-master  user and master password set
//   locked       user password set, the disk locked (SET PASSWORD is refused)
//   frozen       security frozen (SET PASSWORD is refused)
//   expired      locked, and the password-attempt count expired
// The state lives in memory for the boot; passwords set change it.
#pragma once
#include "include/system_table.h"

// Master password identifier reported while a master password is set, and
// otherwise: the values the platform's page reads from word 92.
constexpr UINT16 kAtaMasterPasswordIdSet = 0x5858;
constexpr UINT16 kAtaMasterPasswordIdNone = 0x4444;

// Reads "hdd-security" from the scenario; FALSE when it is absent (no model,
// the disk's own IDENTIFY data is reported).
BOOLEAN AtaSecurityModelFromScenario(EFI_RUNTIME_SERVICES *RT);
BOOLEAN AtaSecurityModelActive();
// Replaces the security words of a disk's IDENTIFY DEVICE data by the model's.
VOID AtaSecurityModelApply(UINT16 *Identify);
// SECURITY SET PASSWORD on the model: EFI_DEVICE_ERROR (command aborted) while
// locked or frozen; otherwise the user password enables security, or the
// master password is recorded.
EFI_STATUS AtaSecurityModelSetPassword(BOOLEAN Master);
