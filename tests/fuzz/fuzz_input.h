// SPDX-License-Identifier: BSD-2-Clause-Patent
// Reads a fuzz input as a stream of small decisions. Past the end every read
// answers 0, so a short input still describes a complete (small) case.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A property of the code under test that failed: stop here, so libFuzzer
// keeps the input as a crash.
#define CHECK(Condition)     \
  do {                       \
    if (!(Condition)) {      \
      __builtin_trap();      \
    }                        \
  } while (0)

namespace fuzz {

class Input {
 public:
  Input(const uint8_t *Data, size_t Size) : Data(Data), Size(Size) {}

  uint8_t Byte() {
    if (Size == 0) {
      return 0;
    }
    Size--;
    return *Data++;
  }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }
  uint64_t U64() { return U32() | (static_cast<uint64_t>(U32()) << 32); }
  bool Bool() { return (Byte() & 1) != 0; }
  // A value below Count (Count > 0).
  size_t Below(size_t Count) { return Count <= 256 ? Byte() % Count : U16() % Count; }
  std::vector<uint8_t> Bytes(size_t Count) {
    std::vector<uint8_t> Out;
    for (size_t Index = 0; Index < Count; Index++) {
      Out.push_back(Byte());
    }
    return Out;
  }
  bool Empty() const { return Size == 0; }
  size_t Remaining() const { return Size; }

 private:
  const uint8_t *Data;
  size_t Size;
};

}  // namespace fuzz
