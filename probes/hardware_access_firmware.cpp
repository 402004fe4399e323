// SPDX-License-Identifier: BSD-2-Clause-Patent
// The probes' hardware accesses in the image: the TPM register and CPUID.
#include "probes/hardware_access.h"

UINT8 HwMmioRead8(UINTN Address) { return *reinterpret_cast<volatile const UINT8 *>(Address); }

VOID HwCpuid(UINT32 Index, UINT32 Registers[4]) {
  UINT32 Eax, Ebx, Ecx, Edx;
  __asm__ __volatile__("cpuid" : "=a"(Eax), "=b"(Ebx), "=c"(Ecx), "=d"(Edx) : "a"(Index), "c"(0));
  Registers[0] = Eax;
  Registers[1] = Ebx;
  Registers[2] = Ecx;
  Registers[3] = Edx;
}
