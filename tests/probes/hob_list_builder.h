// SPDX-License-Identifier: BSD-2-Clause-Patent
// Builds PI HOB lists for tests, 8-byte aligned, ended by the end HOB. A list
// as firmware hands it over starts with the PHIT HOB (Handoff), whose
// EfiEndOfHobList BuildInto sets to the address of the end HOB.
#pragma once
#include <cstring>
#include <vector>

#include "include/pi_hob.h"

namespace hobtest {

class HobListBuilder {
 public:
  // The PHIT HOB; call it first.
  HobListBuilder &Handoff() {
    HandoffAt = Bytes.size();
    return Raw(EFI_HOB_TYPE_HANDOFF, sizeof(EFI_HOB_HANDOFF_INFO_TABLE));
  }
  // A HOB of any type with Length bytes in all (header included), zero data.
  HobListBuilder &Raw(UINT16 Type, UINT16 Length) {
    size_t Start = Bytes.size();
    Bytes.resize(Start + (Length < 8 ? 8 : (Length + 7) / 8 * 8), 0);
    EFI_HOB_GENERIC_HEADER Header{Type, Length, 0};
    std::memcpy(&Bytes[Start], &Header, sizeof(Header));
    return *this;
  }
  // A GUID-extension HOB carrying Data, padded to a multiple of 8.
  HobListBuilder &Guid(const EFI_GUID &Name, const std::vector<UINT8> &Data) {
    UINT16 Length = static_cast<UINT16>((24 + Data.size() + 7) / 8 * 8);
    size_t Start = Bytes.size();
    Raw(EFI_HOB_TYPE_GUID_EXTENSION, Length);
    std::memcpy(&Bytes[Start + 8], &Name, sizeof(Name));
    if (!Data.empty()) std::memcpy(&Bytes[Start + 24], Data.data(), Data.size());
    return *this;
  }
  // Offset in bytes of the next HOB to be added.
  size_t Offset() const { return Bytes.size(); }
  std::vector<UINT64> Build() const {
    std::vector<UINT8> All = Bytes;
    EFI_HOB_GENERIC_HEADER End{EFI_HOB_TYPE_END_OF_HOB_LIST, 8, 0};
    All.resize(All.size() + 8);
    std::memcpy(&All[All.size() - 8], &End, sizeof(End));
    std::vector<UINT64> Words(All.size() / 8);
    std::memcpy(Words.data(), All.data(), All.size());
    return Words;
  }
  // Build() into List, with the PHIT HOB's EfiEndOfHobList (if there is one)
  // pointing at List's end HOB. With WithEndHob false the list stops short of
  // the end HOB: EfiEndOfHobList then points just past its last byte.
  void BuildInto(std::vector<UINT64> &List, bool WithEndHob = true) const {
    List = Build();
    if (!WithEndHob) {
      List.pop_back();
      List.shrink_to_fit();  // nothing readable after the last HOB
    }
    if (HandoffAt != kNoHandoff) {
      UINT64 End = reinterpret_cast<UINT64>(List.data()) + Bytes.size();
      std::memcpy(reinterpret_cast<UINT8 *>(List.data()) + HandoffAt + 48, &End, sizeof(End));
    }
  }

 private:
  static constexpr size_t kNoHandoff = ~static_cast<size_t>(0);
  std::vector<UINT8> Bytes;
  size_t HandoffAt = kNoHandoff;
};

}  // namespace hobtest
