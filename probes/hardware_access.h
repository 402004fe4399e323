// SPDX-License-Identifier: BSD-2-Clause-Patent
// The two hardware accesses of the probes. The image reads the real register
// and executes CPUID; the host test platform supplies its own answers.
#pragma once
#include "include/uefi_types.h"

UINT8 HwMmioRead8(UINTN Address);
// Registers receive EAX, EBX, ECX, EDX of CPUID leaf Index.
VOID HwCpuid(UINT32 Index, UINT32 Registers[4]);
