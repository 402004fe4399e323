#include "callback/security_callback.h"

#include "callback/account_passwords.h"
#include "config/variable_stores.h"
#include "entry/image_memory.h"
#include "entry/service_context.h"
#include "hdd/hdd_password_dialog.h"
#include "hdd/hdd_security_status.h"
#include "include/guids.h"
#include "probes/security_probes.h"
#include "support/diagnostics.h"
#include "support/hii_strings.h"
#include "support/strings.h"

TEXT_SETUP_BROWSER_PROTOCOL *mTextSetupBrowser = NULL;
UINT8 TxtStatusPending = 1;

namespace {

// Questions of the page that the callback answers or acts on.
enum : EFI_QUESTION_ID {
  kSetSupervisorPassword = 1006,
  kSupervisorHint = 1007,
  kSetUserPassword = 1008,
  kUserHint = 1009,
  kMaxPasswordLength = 1019,
  kMinPasswordLength = 1020,
  kChangesSavedExit = 1022,
  kCurrentUserIsSupervisor = 1003,
  kUserPasswordStatus = 1004,
  kHddCount = 4000,
  kHddPort0State = 4001,
  kHddPort5State = 4006,
  kSupervisorPasswordStatus = 10002,
  kTpmPresent = 10004,
  kTxtCapable = 10042,
};

constexpr EFI_STRING_ID kChangesSavedString = 87;

// User-password question of each port; the master-password question follows it.
constexpr EFI_QUESTION_ID kHddUserPasswordQuestion[HDD_PORT_COUNT] = {10020, 10026, 10029, 10032, 10035, 10038};

VOID ShowChangesSaved(VOID) {
  EFI_STRING Message = NULL;
  HiiLibStrGetAlloc(mHiiHandle, kChangesSavedString, &Message);
  if (Message != NULL) {
    mTextSetupBrowser->ShowPopUp(NULL, NULL, 1, &Message);
    FreePoolIfPresent(Message);
  }
}

// Stores one byte of "System" at once, with the attributes it was read with.
EFI_STATUS WriteSystemByte(UINTN Offset, UINT8 Byte) {
  const VARIABLE_STORE *Store = &mVariableStores[STORE_SYSTEM];
  UINT8 System[SYSTEM_VARIABLE_SIZE];
  UINTN Size = sizeof(System);
  UINT32 Attributes = 0;
  EFI_STATUS Status = gRT->GetVariable(Store->Name, Store->Guid, &Attributes, &Size, System);
  if (EFI_ERROR(Status)) {
    QV_DIAG("Failed to get QEL_SYSTEM_CONFIGURATION variable, Status = %x\n", QV_DIAG_ARG(Status));
    return Status;
  }
  if (Size <= Offset) {
    return EFI_BAD_BUFFER_SIZE;  // too short to hold the field: nothing to change
  }
  if (!MayWriteBack(Attributes)) {
    return EFI_WRITE_PROTECTED;
  }
  System[Offset] = Byte;
  Status = gRT->SetVariable(Store->Name, Store->Guid, Attributes, Size, System);
  if (EFI_ERROR(Status)) {
    QV_DIAG("Failed to set QEL_SYSTEM_CONFIGURATION variable, Status = %x\n", QV_DIAG_ARG(Status));
  }
  return Status;
}

EFI_STATUS ChangedQuestion(EFI_QUESTION_ID QuestionId, const EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *ActionRequest) {
  switch (QuestionId) {
    case kSetSupervisorPassword:
    case kSetUserPassword:
      if (!EFI_ERROR(EnrollAccount(QuestionId == kSetSupervisorPassword ? kSupervisorName : kUserName))) {
        ShowChangesSaved();
      }
      return EFI_SUCCESS;
    case kSupervisorHint:
    case kUserHint:
      if (Value == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      EnterPasswordHint(QuestionId == kSupervisorHint ? kSupervisorName : kUserName, Value->string);
      return EFI_SUCCESS;
    case kMaxPasswordLength:
    case kMinPasswordLength:
      if (Value == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      return WriteSystemByte(QuestionId == kMaxPasswordLength ? SYSTEM_MAX_PASSWORD_LENGTH_OFFSET : SYSTEM_MIN_PASSWORD_LENGTH_OFFSET,
                             Value->u8);
    case kChangesSavedExit:
      if (ActionRequest == NULL) {
        return EFI_INVALID_PARAMETER;
      }
      *ActionRequest = EFI_BROWSER_ACTION_REQUEST_EXIT;
      return EFI_SUCCESS;
  }
  return EFI_SUCCESS;
}

BOOLEAN IsRetrievedQuestion(EFI_QUESTION_ID QuestionId) {
  return (QuestionId >= kHddCount && QuestionId <= kHddPort5State) || QuestionId == kSupervisorPasswordStatus ||
         QuestionId == kCurrentUserIsSupervisor || QuestionId == kUserPasswordStatus || QuestionId == kTpmPresent ||
         QuestionId == kTxtCapable;
}

// The platform's TXT flag is taken from "Setup" once per boot.
VOID RetrieveTxtCapable(EFI_IFR_TYPE_VALUE *Value) {
  if (TxtStatusPending != 1) {
    return;
  }
  const VARIABLE_STORE *Store = &mVariableStores[STORE_SETUP];
  UINT8 Setup[SETUP_VARIABLE_SIZE];
  UINTN Size = sizeof(Setup);
  if (!EFI_ERROR(gRT->GetVariable(Store->Name, Store->Guid, NULL, &Size, Setup)) && Size > SETUP_TXT_CAPABLE_OFFSET &&
      Setup[SETUP_TXT_CAPABLE_OFFSET] == 1) {
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
    case kHddCount:
      Value->u8 = (UINT8)RefreshHddSecurityStatus();
      break;
    case kSupervisorPasswordStatus:
      return AdminPwdStatus(Value);
    case kCurrentUserIsSupervisor:
      if (UserManagerState == NULL) {
        return EFI_OUT_OF_RESOURCES;
      }
      UserManagerState[1] = IsSupervisor ? 1 : 0;
      Value->u8 = UserManagerState[1];
      break;
    case kUserPasswordStatus:
      return UserPwdStatus(Value);
    case kTpmPresent:
      Value->u8 = TpmPresenceStatus(reinterpret_cast<const UINT8 *>(TPM_ACCESS_ADDRESS)) == EFI_SUCCESS ? 1 : 0;
      break;
    case kTxtCapable:
      RetrieveTxtCapable(Value);
      break;
    default:  // the six port states
      Value->u8 = mHddPortState[QuestionId - kHddPort0State];
      break;
  }
  return EFI_SUCCESS;
}

}  // namespace

BOOLEAN HddPasswordQuestion(EFI_QUESTION_ID QuestionId, UINT16 *Port, UINT32 *PasswordKind) {
  for (UINT16 Index = 0; Index < HDD_PORT_COUNT; Index++) {
    if (QuestionId == kHddUserPasswordQuestion[Index] || QuestionId == kHddUserPasswordQuestion[Index] + 1) {
      *Port = Index;
      *PasswordKind = QuestionId == kHddUserPasswordQuestion[Index] ? 1 : 2;
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
  BOOLEAN IsSupervisor = UserName != NULL && Utf16Compare(UserName, kSupervisorName) == 0;

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
