// Callback of the driver's configuration-access service.
#pragma once
#include "include/protocols/hii_config.h"

EFI_STATUS EFIAPI SecurityCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                                   EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
                                   EFI_BROWSER_ACTION_REQUEST *ActionRequest);
