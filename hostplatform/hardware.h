// SPDX-License-Identifier: BSD-2-Clause-Patent
// Answers of the host platform to the driver's hardware accesses: the byte
// of the TPM access register and the CPUID leaves.
#pragma once
#include <cstddef>
#include <map>

#include "include/uefi_types.h"

namespace host {

struct HardwareFake {
  UINT8 TpmAccessByte = 0xFF;  // no TPM answers
  struct CpuidAnswer {
    UINT32 Eax, Ebx, Ecx, Edx;
  };
  std::map<UINT32, CpuidAnswer> Cpuid;  // absent leaves read as zeros
  size_t TpmReads = 0;
  size_t CpuidCalls = 0;
};

inline constexpr UINTN kTpmAccessAddress = 0xFED40000;

}  // namespace host
