// Builds PI HOB lists for tests, 8-byte aligned, ended by the end HOB.
#pragma once
#include <cstring>
#include <vector>

#include "include/pi_hob.h"

namespace hobtest {

class HobListBuilder {
 public:
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

 private:
  std::vector<UINT8> Bytes;
};

}  // namespace hobtest
