// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII String service of the host platform, serving the string packages of the
// lists registered with its HII database (EFI_HII_STRING_PACKAGE_HDR followed
// by SIBT_STRING_UCS2 blocks and an SIBT_END block). Strings changed through
// SetString are kept per (handle, language, id). Every call is logged.
// Answers as the firmware's own service gives them (compared by the firmware
// test firmware.parity_host_platform_agrees): languages match whole tags
// without regard to case ("en" does not match "en-US"); string id 0 is
// EFI_INVALID_PARAMETER; a language the list lacks is EFI_INVALID_LANGUAGE for
// GetString but EFI_NOT_FOUND for SetString; GetLanguages leaves the size
// alone when it succeeds.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "include/protocols/hii_string.h"

namespace host {

class Platform;

struct HiiStringFake {
  EFI_HII_STRING_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  std::map<std::tuple<EFI_HII_HANDLE, std::string, EFI_STRING_ID>, std::u16string> Changed;

  // Failure injection: when not EFI_SUCCESS, the call answers this status
  // (for SetString only in FailSetStringLanguage, or in every language when empty).
  EFI_STATUS GetStringStatus = EFI_SUCCESS;
  size_t GetStringFailFrom = 1;  // GetStringStatus applies from this call on (1 = every call)
  size_t GetStringCalls = 0;
  // When set, a size probe (size 0, no buffer) answers this status, even
  // success or a warning, as a faulty service might.
  std::optional<EFI_STATUS> ProbeAnswer;
  EFI_STATUS GetLanguagesStatus = EFI_SUCCESS;
  EFI_STATUS SetStringStatus = EFI_SUCCESS;
  std::string FailSetStringLanguage;

  explicit HiiStringFake(Platform *Owner);
  // The text a GetString would answer now, or nothing when it has none.
  std::optional<std::u16string> Text(EFI_HII_HANDLE Handle, const std::string &Language, EFI_STRING_ID Id) const;
  // The list's languages in package order.
  std::vector<std::string> Languages(EFI_HII_HANDLE Handle) const;
};

// One string package: Texts[0] is string 1, Texts[1] string 2, and so on.
std::vector<UINT8> StringPackage(const std::string &Language, const std::vector<std::u16string> &Texts);
// Count strings, all empty except those given by id.
std::vector<UINT8> StringPackage(const std::string &Language, UINT16 Count,
                                 const std::map<UINT16, std::u16string> &Texts);
// A package list of the given packages and the end package.
std::vector<UINT8> PackageList(const EFI_GUID &Guid, const std::vector<std::vector<UINT8>> &Packages);

}  // namespace host
