// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host side of the driver's hardware seam.
#include "hostplatform/hardware.h"

#include "hostplatform/platform.h"
#include "probes/hardware_access.h"

UINT8 HwMmioRead8(UINTN Address) {
  host::HardwareFake &Hardware = host::Platform::Active().Hardware;
  if (Address == host::kTpmAccessAddress) {
    Hardware.TpmReads++;
    return Hardware.TpmAccessByte;
  }
  // Any other address is a buffer of the test's own.
  return *reinterpret_cast<volatile const UINT8 *>(Address);
}

VOID HwCpuid(UINT32 Index, UINT32 Registers[4]) {
  host::HardwareFake &Hardware = host::Platform::Active().Hardware;
  Hardware.CpuidCalls++;
  auto Found = Hardware.Cpuid.find(Index);
  host::HardwareFake::CpuidAnswer Answer = Found == Hardware.Cpuid.end() ? host::HardwareFake::CpuidAnswer{0, 0, 0, 0}
                                                                         : Found->second;
  Registers[0] = Answer.Eax;
  Registers[1] = Answer.Ebx;
  Registers[2] = Answer.Ecx;
  Registers[3] = Answer.Edx;
}
