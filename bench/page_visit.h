// SPDX-License-Identifier: BSD-2-Clause-Patent
// A visit of the Security page as the form browser makes it, on the host
// platform: every store extracted, every hidden question retrieved, one save
// routed, on the platform host::PreparePagePlatform builds. Used by the budget report.
#pragma once
#include <string>

#include "hostplatform/page_platform.h"
#include "hostplatform/platform.h"

namespace bench {

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
