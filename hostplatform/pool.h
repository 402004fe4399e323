// SPDX-License-Identifier: BSD-2-Clause-Patent
// Pool memory of the host platform: every block accounted, by memory type,
// with failure injection for the n-th allocation.
#pragma once
#include <cstddef>
#include <map>

#include "include/uefi_types.h"

namespace host {

class Pool {
 public:
  ~Pool();
  EFI_STATUS Allocate(EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer);
  EFI_STATUS Free(VOID *Buffer);

  size_t LiveBlocks() const { return Blocks.size(); }
  size_t LiveBytes() const;
  size_t LiveBytes(EFI_MEMORY_TYPE Type) const;
  size_t LiveBlocks(EFI_MEMORY_TYPE Type) const;
  bool Owns(const VOID *Buffer) const { return Blocks.count(const_cast<VOID *>(Buffer)) != 0; }
  size_t BlockSize(const VOID *Buffer) const;
  EFI_MEMORY_TYPE BlockType(const VOID *Buffer) const;

  // Allocation attempts so far (failed ones included).
  size_t Attempts() const { return AttemptCount; }
  // Makes the n-th attempt from now fail (1 = the next one); 0 cancels.
  void FailNthAllocation(size_t N) { FailAt = N == 0 ? 0 : AttemptCount + N; }
  void FailEveryAllocation(bool Fail) { FailAll = Fail; }
  // Frees of pointers that were never handed out, or were freed already.
  size_t BadFrees() const { return BadFreeCount; }

 private:
  struct Block {
    EFI_MEMORY_TYPE Type;
    size_t Size;
  };
  std::map<VOID *, Block> Blocks;
  size_t AttemptCount = 0;
  size_t FailAt = 0;
  bool FailAll = false;
  size_t BadFreeCount = 0;
};

}  // namespace host
