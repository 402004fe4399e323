// SPDX-License-Identifier: BSD-2-Clause-Patent
// SecurityCallback: hidden state questions on retrieval, the page's actions on change.
#include "callback/security_callback.h"

#include "callback/account_passwords.h"
#include "config/store_rules.h"
#include "forms/security_page_ids.h"
#include "hdd/hdd_password_dialog.h"
#include "hdd/hdd_security_status.h"
#include "include/guids.h"
#include "probes/security_probes.h"
#include "support/diagnostics.h"
#include "support/hii_strings.h"
#include "support/image_memory.h"
#include "support/service_context.h"
#include "support/strings.h"

TEXT_SETUP_BROWSER_PROTOCOL *mTextSetupBrowser = NULL;
UINT8 TxtStatusPending = 1;

namespace {

using namespace SecurityQuestion;

// User-password question of each port; the master-password question follows it.
constexpr EFI_QUESTION_ID mHddUserPasswordQuestion[HDD_PORT_COUNT] = {
    HddPort0UserPassword, HddPort1UserPassword, HddPort2UserPassword,
    HddPort3UserPassword, HddPort4UserPassword, HddPort5UserPassword,
};

VOID ShowChangesSaved(VOID) {
  EFI_STRING Message = NULL;
  HiiLibStrGetAlloc(mHiiHandle, STR_CHANGES_SAVED, &Message);
  if (Message != NULL) {
    mTextSetupBrowser->ShowPopUp(NULL, NULL, 1, &Message);
    FreePoolIfPresent(Message);
  }
}

EFI_STATUS ChangedQuestion(EFI_QUESTION_ID QuestionId, const EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *ActionRequest) {
  switch (QuestionId) {
    case SetSupervisorPassword:
    case SetUserPassword:
      if (!EFI_ERROR(EnrollAccount(QuestionId == SetSupervisorPassword ? mSupervisorName : mUserName))) {
        ShowChangesSaved();
      }
      return EFI_SUCCESS;
    case SupervisorHint:
    case UserHint:
      if (Value == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      EnterPasswordHint(QuestionId == SupervisorHint ? mSupervisorName : mUserName, Value->string);
      return EFI_SUCCESS;
    case MaxPasswordLength:
    case MinPasswordLength:
      if (Value == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      return WriteSystemByte(QuestionId == MaxPasswordLength ? System::MaxPasswordLength : System::MinPasswordLength,
                             Value->u8);
    case ChangesSavedExit:
      if (ActionRequest == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      *ActionRequest = EFI_BROWSER_ACTION_REQUEST_EXIT;
      return EFI_SUCCESS;
  }
  return EFI_SUCCESS;
}

BOOLEAN IsRetrievedQuestion(EFI_QUESTION_ID QuestionId) {
  return (QuestionId >= HddCount && QuestionId <= HddPort5State) || QuestionId == SupervisorPasswordStatus ||
         QuestionId == CurrentUserIsSupervisor || QuestionId == UserPasswordStatus || QuestionId == TpmPresent ||
         QuestionId == TxtCapable;
}

// The platform's TXT flag is taken from "Setup" once per boot.
VOID RetrieveTxtCapable(EFI_IFR_TYPE_VALUE *Value) {
  if (TxtStatusPending != 1) {
    return;
  }
  if (StoredTxtCapable()) {
    Value->u8 = 1;
  }
  TxtStatusPending = 0;
}

EFI_STATUS RetrieveQuestion(EFI_QUESTION_ID QuestionId, BOOLEAN IsSupervisor, EFI_IFR_TYPE_VALUE *Value) {
  if (!IsRetrievedQuestion(QuestionId)) {
    return EFI_SUCCESS;
  }
  if (Value == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  switch (QuestionId) {
    case HddCount:
      Value->u8 = (UINT8)RefreshHddSecurityStatus();
      break;
    case SupervisorPasswordStatus:
      return AdminPwdStatus(Value);
    case CurrentUserIsSupervisor:
      if (UserManagerState == NULL) {
        return EFI_OUT_OF_RESOURCES;
      }
      UserManagerState[UserManagerVar::IsSupervisor] = IsSupervisor ? 1 : 0;
      Value->u8 = UserManagerState[UserManagerVar::IsSupervisor];
      break;
    case UserPasswordStatus:
      return UserPwdStatus(Value);
    case TpmPresent:
      Value->u8 = TpmPresenceStatus(reinterpret_cast<const UINT8 *>(TPM_ACCESS_ADDRESS)) == EFI_SUCCESS ? 1 : 0;
      break;
    case TxtCapable:
      RetrieveTxtCapable(Value);
      break;
    default:  // the six port states
      Value->u8 = mHddPortState[QuestionId - HddPort0State];
      break;
  }
  return EFI_SUCCESS;
}

}  // namespace

BOOLEAN HddPasswordQuestion(EFI_QUESTION_ID QuestionId, UINT16 *Port, UINT32 *PasswordKind) {
  for (UINT16 Index = 0; Index < HDD_PORT_COUNT; Index++) {
    if (QuestionId == mHddUserPasswordQuestion[Index] || QuestionId == mHddUserPasswordQuestion[Index] + 1) {
      *Port = Index;
      *PasswordKind = QuestionId == mHddUserPasswordQuestion[Index] ? HDD_PASSWORD_KIND_USER : HDD_PASSWORD_KIND_MASTER;
      return TRUE;
    }
  }
  return FALSE;
}

EFI_STATUS EFIAPI SecurityCallback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                                   EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
                                   EFI_BROWSER_ACTION_REQUEST *ActionRequest) {
  (void)This;
  QV_DIAG("Action: %d, Question: %d, Type:%d\n", QV_DIAG_ARG(Action), QV_DIAG_ARG(QuestionId), QV_DIAG_ARG(Type));
  (void)Type;
  EFI_STATUS Status;
  if (mTextSetupBrowser == NULL) {
    Status = gBS->LocateProtocol(&gTextSetupBrowserProtocolGuid, NULL, reinterpret_cast<VOID **>(&mTextSetupBrowser));
    if (EFI_ERROR(Status)) {
      QV_DIAG("Unable to locate Text Setup Browser protocol\n");
      mTextSetupBrowser = NULL;
      return Status;
    }
  }
  EFI_USER_PROFILE_HANDLE Profile = NULL;
  Status = mUserManager->Current(mUserManager, &Profile);
  if (EFI_ERROR(Status)) {
    QV_DIAG("UserManagerProtocolCurrent failed, %r\n", QV_DIAG_ARG(Status));
    return Status;
  }
  CHAR16 *UserName = NULL;
  Status = mQelUserManager->GetUsernameFromProfile(mQelUserManager, Profile, &UserName);
  if (EFI_ERROR(Status)) {
    QV_DIAG("GetUsernameFromProfile failed, Status = %x\n", QV_DIAG_ARG(Status));
    return EFI_UNSUPPORTED;
  }
  BOOLEAN IsSupervisor = UserName != NULL && Utf16Compare(UserName, mSupervisorName) == 0;

  if (Action == EFI_BROWSER_ACTION_CHANGED) {
    Status = ChangedQuestion(QuestionId, Value, ActionRequest);
    if (EFI_ERROR(Status)) {
      return Status;
    }
    UINT16 Port;
    UINT32 PasswordKind;
    if (HddPasswordQuestion(QuestionId, &Port, &PasswordKind)) {
      LaunchHddPasswordDialog(PasswordKind, GetHddIndexFromPort(Port));
    }
  } else if (Action == EFI_BROWSER_ACTION_RETRIEVE) {
    return RetrieveQuestion(QuestionId, IsSupervisor, Value);
  }
  return EFI_SUCCESS;
}
