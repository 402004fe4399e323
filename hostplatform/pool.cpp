// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform pool memory, every block accounted, with injectable failures.
#include "hostplatform/pool.h"

#include <cstdlib>
#include <cstring>

namespace host {

Pool::~Pool() {
  for (auto &Entry : Blocks) {
    std::free(Entry.first);
  }
}

EFI_STATUS Pool::Allocate(EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer) {
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  AttemptCount++;
  if (FailAll || (FailAt != 0 && AttemptCount == FailAt)) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (Size > (1u << 30)) {
    return EFI_OUT_OF_RESOURCES;
  }
  // A zero-size block still gets its own address, as firmware pools do.
  VOID *Memory = std::malloc(Size == 0 ? 1 : Size);
  if (Memory == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  // Fresh pool is not cleared: fill it so code that forgets to clear shows it.
  std::memset(Memory, 0xAF, Size);
  Blocks[Memory] = Block{Type, Size};
  *Buffer = Memory;
  return EFI_SUCCESS;
}

EFI_STATUS Pool::Free(VOID *Buffer) {
  auto Found = Blocks.find(Buffer);
  if (Found == Blocks.end()) {
    BadFreeCount++;
    return EFI_INVALID_PARAMETER;
  }
  std::free(Found->first);
  Blocks.erase(Found);
  return EFI_SUCCESS;
}

size_t Pool::LiveBytes() const {
  size_t Total = 0;
  for (const auto &Entry : Blocks) {
    Total += Entry.second.Size;
  }
  return Total;
}

size_t Pool::LiveBytes(EFI_MEMORY_TYPE Type) const {
  size_t Total = 0;
  for (const auto &Entry : Blocks) {
    if (Entry.second.Type == Type) {
      Total += Entry.second.Size;
    }
  }
  return Total;
}

size_t Pool::LiveBlocks(EFI_MEMORY_TYPE Type) const {
  size_t Count = 0;
  for (const auto &Entry : Blocks) {
    Count += Entry.second.Type == Type ? 1 : 0;
  }
  return Count;
}

size_t Pool::BlockSize(const VOID *Buffer) const {
  auto Found = Blocks.find(const_cast<VOID *>(Buffer));
  return Found == Blocks.end() ? 0 : Found->second.Size;
}

EFI_MEMORY_TYPE Pool::BlockType(const VOID *Buffer) const {
  auto Found = Blocks.find(const_cast<VOID *>(Buffer));
  return Found == Blocks.end() ? EfiMaxMemoryType : Found->second.Type;
}

}  // namespace host
