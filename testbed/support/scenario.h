// SPDX-License-Identifier: BSD-2-Clause-Patent
// The scenario a testbed boot runs: "key=value" lines that the boot
// application reads from \testbed\scenario.txt on the boot volume and
// publishes as the volatile variable "QvScenario", where every testbed
// service reads the keys it cares about. Without the variable (no boot
// application: the services built into the firmware) the scenario comes from
// QEMU's fw_cfg file "opt/quorvane/scenario". Keys:
//   mode=page|setup|checks   what the boot application does after loading
//   user=Supervisor|User     the account signed in to setup
//   txt=1                    "Setup" is created with the TXT-capable byte set
//   driver=diagnostics       load QuorvaneDiagnostics.efi instead of Quorvane.efi
//   try-unsigned=1           first load \EFI\QUORVANE\UNSIGNED.EFI and report its status
//   hdd-security=STATE       the disks answer through the ATA security model
//                            (testbed/services/ata_security_model.h)
#pragma once
#include "include/system_table.h"

// Copies the value of Key (ASCII, NUL-terminated) into Value; FALSE when absent.
BOOLEAN ScenarioValue(EFI_RUNTIME_SERVICES *RT, const CHAR8 *Key, CHAR8 *Value, UINTN Capacity);
BOOLEAN ScenarioIs(EFI_RUNTIME_SERVICES *RT, const CHAR8 *Key, const CHAR8 *Expected);
