// SPDX-License-Identifier: BSD-2-Clause-Patent
// String packages of the tests, in place of the driver's generated ones: the
// four languages of the page with the strings the driver reads at run time.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "forms/security_page_ids.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "support/service_context.h"

namespace testing_strings {

constexpr UINT16 kStringCount = 120;  // 1-117 as packaged, then hints the browser created
constexpr UINT16 kHintString = 118;   // "blue sky" in every language

inline std::map<UINT16, std::u16string> Texts(const std::u16string &Name, const std::u16string &Saved,
                                              const std::u16string &Lockout) {
  return {{1, Name}, {STR_CHANGES_SAVED, Saved}, {STR_LOCKOUT_TEXT, Lockout}, {kHintString, u"blue sky"}};
}

// Registers the four languages en-US, fr-FR, ja-JP, ko-KR; STR_LOCKOUT_TEXT reads Lockout in each.
inline EFI_HII_HANDLE RegisterSecurityStrings(host::Platform &P, const std::u16string &Lockout = u"") {
  using host::StringPackage;
  return P.HiiDatabase.Register(
      host::PackageList(
          gSecurityPackageListGuid,
          {StringPackage("en-US", kStringCount, Texts(u"English", u"Changes have been saved.", Lockout)),
           StringPackage("fr-FR", kStringCount,
                         Texts(u"Français", u"Les modifications ont été enregistrées.", Lockout)),
           StringPackage("ja-JP", kStringCount, Texts(u"日本語", u"変更が保存されました。", Lockout)),
           StringPackage("ko-KR", kStringCount, Texts(u"한국말", u"변경 내용이 저장되었습니다.", Lockout))}),
      nullptr);
}

// "PlatformLang" as the firmware stores it: the tag and its NUL.
inline void SetPlatformLanguage(host::Platform &P, const std::string &Tag) {
  std::vector<UINT8> Bytes(Tag.begin(), Tag.end());
  Bytes.push_back(0);
  P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, Bytes, 6);
}

}  // namespace testing_strings
