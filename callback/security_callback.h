// SPDX-License-Identifier: BSD-2-Clause-Patent
// Callback of the driver's configuration-access service: answers the page's
// hidden state questions on retrieval and carries out its actions on change.
#pragma once
#include "include/protocols/hii_config.h"
#include "include/protocols/platform_services.h"

// Every call first locates the text setup browser (once) and asks the user managers who is
// signed in. Returns
//   LocateProtocol's status  the text setup browser service is not there (retried next call)
//   Current's status       the user manager cannot name the current user
//   EFI_UNSUPPORTED        the Qel user manager has no name for that user
// and then, by action:
//   CHANGED   EFI_SUCCESS for every question, a failed or cancelled enrolment too, except
//             EFI_INVALID_PARAMETER  no Value for a hint or length question, no ActionRequest
//                                    for ChangesSavedExit
//             GetVariable's / SetVariable's status  "System" could not be read or written for a
//                                    length question; EFI_BAD_BUFFER_SIZE when it is too short
//                                    to hold the field, EFI_WRITE_PROTECTED when its attributes
//                                    carry authentication bits (nothing is written)
//   RETRIEVE  EFI_SUCCESS, except for a retrieved question
//             EFI_INVALID_PARAMETER  no Value
//             EFI_OUT_OF_RESOURCES   CurrentUserIsSupervisor, SupervisorPasswordStatus or
//                                    UserPasswordStatus without the UserManagerState block
//             EFI_UNSUPPORTED        SupervisorPasswordStatus or UserPasswordStatus when the
//                                    account's profile is missing
//   others    EFI_SUCCESS
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
