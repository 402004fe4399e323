// SPDX-License-Identifier: BSD-2-Clause-Patent
// The host platform of a Security page visit, shared by the budget bench and the hardening tests.
#include "hostplatform/page_platform.h"

#include <string>
#include <vector>

#include "forms/security_page_ids.h"
#include "include/guids.h"

namespace host {

void PreparePagePlatform(Platform &P) {
  P.InstallServices();
  P.AddStandardAccounts(true, false);
  P.Variables.Put(u"Setup", gSetupVariableGuid, std::vector<UINT8>(Setup::Size, 0));
  std::vector<UINT8> SystemBytes(System::Size, 0);
  SystemBytes[System::TpmSupport] = 1;
  SystemBytes[System::TpmEnabled] = 1;
  SystemBytes[System::MaxPasswordLength] = 20;
  SystemBytes[System::MinPasswordLength] = 1;
  P.Variables.Put(u"System", gSystemConfigurationGuid, SystemBytes);
  P.Variables.Put(u"StatusSetupVar", gStatusSetupVarGuid, std::vector<UINT8>(StatusSetupVar::Size, 0x5A));
  P.Variables.Put(u"UserManagerVar", gUserManagerVarGuid, std::vector<UINT8>(UserManagerVar::Size, 0));
  const std::string Language = "en-US";
  std::vector<UINT8> PlatformLang(Language.begin(), Language.end());
  PlatformLang.push_back(0);
  P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, PlatformLang, 6);
}

}  // namespace host
