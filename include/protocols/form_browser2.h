// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_FORM_BROWSER2_PROTOCOL.
#pragma once
#include "include/protocols/hii_config.h"

struct EFI_SCREEN_DESCRIPTOR {
  UINTN LeftColumn;
  UINTN RightColumn;
  UINTN TopRow;
  UINTN BottomRow;
};

struct EFI_FORM_BROWSER2_PROTOCOL {
  EFI_STATUS(EFIAPI *SendForm)(const EFI_FORM_BROWSER2_PROTOCOL *This, EFI_HII_HANDLE *Handle, UINTN HandleCount,
                               EFI_GUID *FormSetGuid, EFI_FORM_ID FormId,
                               const EFI_SCREEN_DESCRIPTOR *ScreenDimensions,
                               EFI_BROWSER_ACTION_REQUEST *ActionRequest);
  EFI_STATUS(EFIAPI *BrowserCallback)(const EFI_FORM_BROWSER2_PROTOCOL *This, UINTN *ResultsDataSize,
                                      EFI_STRING ResultsData, BOOLEAN RetrieveData, const EFI_GUID *VariableGuid,
                                      const CHAR16 *VariableName);
};
static_assert(sizeof(EFI_FORM_BROWSER2_PROTOCOL) == 16, "form browser 2 protocol: 2 members");
