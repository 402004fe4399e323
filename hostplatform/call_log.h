// SPDX-License-Identifier: BSD-2-Clause-Patent
// Ordered log of calls into the platform's fake services, so tests can
// assert the exact sequence of service calls and their arguments.
#pragma once
#include <string>
#include <vector>

#include "include/uefi_types.h"

namespace host {

class CallLog {
 public:
  void Add(std::string Entry) { Entries.push_back(std::move(Entry)); }
  const std::vector<std::string> &All() const { return Entries; }
  // Entries that start with Prefix, in order (e.g. "Qel." for one service).
  std::vector<std::string> With(const std::string &Prefix) const;
  void Clear() { Entries.clear(); }

 private:
  std::vector<std::string> Entries;
};

// UTF-16 to UTF-8, for readable log entries and test messages.
std::string Narrow(const CHAR16 *Text);
std::string Narrow(const std::u16string &Text);

}  // namespace host
