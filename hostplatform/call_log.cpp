// SPDX-License-Identifier: BSD-2-Clause-Patent
// Ordered log of the calls into the host platform's services.
#include "hostplatform/call_log.h"

namespace host {

std::vector<std::string> CallLog::With(const std::string &Prefix) const {
  std::vector<std::string> Found;
  for (const std::string &Entry : Entries) {
    if (Entry.compare(0, Prefix.size(), Prefix) == 0) {
      Found.push_back(Entry);
    }
  }
  return Found;
}

std::string Narrow(const std::u16string &Text) {
  std::string Out;
  for (size_t Index = 0; Index < Text.size(); Index++) {
    UINT32 Code = Text[Index];
    if (Code >= 0xD800 && Code < 0xDC00 && Index + 1 < Text.size()) {
      Code = 0x10000 + ((Code - 0xD800) << 10) + (Text[++Index] - 0xDC00);
    }
    if (Code < 0x80) {
      Out += (char)Code;
    } else if (Code < 0x800) {
      Out += (char)(0xC0 | (Code >> 6));
      Out += (char)(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
      Out += (char)(0xE0 | (Code >> 12));
      Out += (char)(0x80 | ((Code >> 6) & 0x3F));
      Out += (char)(0x80 | (Code & 0x3F));
    } else {
      Out += (char)(0xF0 | (Code >> 18));
      Out += (char)(0x80 | ((Code >> 12) & 0x3F));
      Out += (char)(0x80 | ((Code >> 6) & 0x3F));
      Out += (char)(0x80 | (Code & 0x3F));
    }
  }
  return Out;
}

std::string Narrow(const CHAR16 *Text) { return Text == nullptr ? std::string("<null>") : Narrow(std::u16string(Text)); }

}  // namespace host
