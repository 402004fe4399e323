// SPDX-License-Identifier: BSD-2-Clause-Patent
// A visit of the Security page as the form browser makes it, on the host
// platform: every store extracted, every hidden question retrieved, one save
// routed. Shared by the budget report and the tests that measure it.
#pragma once
#include <string>

#include "hostplatform/platform.h"

namespace bench {

// A platform with every service, both accounts and the platform's variables.
void PreparePlatform(host::Platform &P);
// Configuration header for one store, as real routing writes it (hex NAME, PATH of the driver handle).
std::u16string ConfigHeader(const EFI_GUID &Guid, const std::u16string &Name);
// Extracts one store through the driver; returns the status.
EFI_STATUS ExtractStore(host::Platform &P, const EFI_GUID &Guid, const std::u16string &Name, UINTN Size);
// Routes one byte change of "System" (the maximum password length).
EFI_STATUS RouteOneSave(host::Platform &P);
// Retrieves every hidden state question.
void RetrieveHiddenQuestions();
// Every store extracted and every hidden question retrieved: a visit that
// changes nothing, so the browser routes nothing.
void OpenPage(host::Platform &P);
void VisitPage(host::Platform &P);

}  // namespace bench
