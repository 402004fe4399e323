// SPDX-License-Identifier: BSD-2-Clause-Patent
// The host platform of a Security page visit, shared by the budget bench and the hardening tests.
#pragma once
#include "hostplatform/platform.h"

namespace host {

// Every service, both standard accounts (the Supervisor with a password), the
// platform's "Setup" (zeros) and "System" (TPM support on and enabled, length
// limits 1 to 20), "StatusSetupVar", "UserManagerVar" and "PlatformLang"
// "en-US". The status stores "TpmStatusVar", "PbaStatusVar" and
// "HDD_Password_Status" are left absent: a first visit creates them.
void PreparePagePlatform(Platform &P);

}  // namespace host
