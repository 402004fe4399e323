// Callback of the driver's configuration-access service: answers the page's
// hidden state questions on retrieval and carries out its actions on change.
#pragma once
#include "include/protocols/hii_config.h"
#include "include/protocols/platform_services.h"

EFI_STATUS EFIAPI SecurityCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                                   EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
                                   EFI_BROWSER_ACTION_REQUEST *ActionRequest);

// The text setup browser service, located by the first callback that finds it.
extern TEXT_SETUP_BROWSER_PROTOCOL *mTextSetupBrowser;
// 1 until the first retrieval of the TXT-capable question.
extern UINT8 TxtStatusPending;

// The port and password kind (1 user, 2 master) of a hard-disk password
// question; FALSE for any other question.
BOOLEAN HddPasswordQuestion(EFI_QUESTION_ID QuestionId, UINT16 *Port, UINT32 *PasswordKind);
