// SPDX-License-Identifier: BSD-2-Clause-Patent
// Supervisor and User account operations: enrolment, hints, clean-up, password status.
#include "callback/account_passwords.h"

#include "forms/security_page_ids.h"
#include "support/diagnostics.h"
#include "support/hii_strings.h"
#include "support/image_memory.h"
#include "support/service_context.h"
#include "support/strings.h"

const CHAR16 mSupervisorName[] = u"Supervisor";
const CHAR16 mUserName[] = u"User";

namespace {

EFI_STATUS FindProfile(const CHAR16 *Name, EFI_USER_PROFILE_HANDLE *Profile) {
  *Profile = NULL;
  return mQelUserManager->FindProfileByName(mQelUserManager, Name, Profile);
}

// Looks for the profile's password record from the first record on;
// EFI_NOT_FOUND when it holds none.
EFI_STATUS FindPasswordRecord(EFI_USER_PROFILE_HANDLE Profile, EFI_USER_INFO_HANDLE *Record) {
  EFI_USER_INFO Template = {};
  Template.InfoType = PASSWORD_RECORD_TYPE;
  *Record = NULL;
  return mQelUserManager->FindListInfo(mQelUserManager, Profile, Record, &Template, NULL);
}

VOID DeleteHint(const CHAR16 *Name) { mQelUserManager->DeletePwdHint(mQelUserManager, Name); }

// UserManagerState[Byte] and Value->u8 := 1 when Name has a password record, else 0.
EFI_STATUS ReadPasswordStatus(const CHAR16 *Name, UINTN Byte, EFI_IFR_TYPE_VALUE *Value) {
  EFI_USER_PROFILE_HANDLE Profile;
  if (EFI_ERROR(FindProfile(Name, &Profile))) {
    return EFI_UNSUPPORTED;
  }
  if (Byte == UserManagerVar::SupervisorPasswordSet) {
    QV_DIAG("After FindProfileByName\n");
  }
  EFI_USER_INFO_HANDLE Record;
  UserManagerState[Byte] = FindPasswordRecord(Profile, &Record) == EFI_SUCCESS ? 1 : 0;
  if (Byte == UserManagerVar::SupervisorPasswordSet) {
    QV_DIAG("After FindListInfo\n");
    if (UserManagerState[Byte] != 0) {
      QV_DIAG("Setting AdminPasswordStatus to 1\n");
    } else {
      QV_DIAG("Setting AdminPasswordStatus to 0\n");
    }
    QV_DIAG("Setting Value->u8\n");
  }
  Value->u8 = UserManagerState[Byte];
  return EFI_SUCCESS;
}

}  // namespace

EFI_STATUS EnrollAccount(const CHAR16 *Name) {
  EFI_STATUS Status = mQelUserManager->Enroll(mQelUserManager, Name);
  QV_DIAG("Enroll returned with Status = %x\n", QV_DIAG_ARG(Status));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  CleanupClearedPassword(Name);
  mQelUserManager->CommitChanges(mQelUserManager);
  return EFI_SUCCESS;
}

VOID EnterPasswordHint(const CHAR16 *Name, EFI_STRING_ID HintStringId) {
  // An unreadable string leaves the buffer empty: the hint is the empty text.
  EFI_STRING Hint = NULL;
  HiiLibStrGetAlloc(mHiiHandle, HintStringId, &Hint);
  if (Hint != NULL) {
    QV_DIAG("SetAdminHint: Hint = %s\n", QV_DIAG_ARG(Hint));
    EFI_STATUS Status = mQelUserManager->AddPwdHint(mQelUserManager, Name, Hint);
    if (EFI_ERROR(Status)) {
      QV_DIAG("SetAdminHint: AddPwdHint failed, Status = %x\n", QV_DIAG_ARG(Status));
    }
    FreePoolIfPresent(Hint);
  }
  mQelUserManager->CommitChanges(mQelUserManager);
}

VOID CleanupClearedPassword(const CHAR16 *Name) {
  EFI_STATUS Status;
  EFI_USER_PROFILE_HANDLE Profile;
  EFI_USER_INFO_HANDLE Record;
  if (Utf16Compare(Name, mSupervisorName) == 0) {
    Status = FindProfile(mSupervisorName, &Profile);
    if (EFI_ERROR(Status)) {
      QV_DIAG("FindUserProfileByName Admin failed. Status = %x\n", QV_DIAG_ARG(Status));
      return;
    }
    if (FindPasswordRecord(Profile, &Record) != EFI_NOT_FOUND) {
      return;  // the Supervisor still has a password (or the lookup failed)
    }
    DeleteHint(mSupervisorName);
    DeleteHint(mUserName);
    Status = FindProfile(mUserName, &Profile);
    if (EFI_ERROR(Status)) {
      QV_DIAG("FindUserProfileByName Guest failed. Status = %x\n", QV_DIAG_ARG(Status));
      return;
    }
    // Anything but "no record" counts as a record to remove.
    if (FindPasswordRecord(Profile, &Record) != EFI_NOT_FOUND &&
        EFI_ERROR(mUserManager->DeleteInfo(mUserManager, Profile, Record))) {
      QV_DIAG("Failed to delete user's password.\n");
    }
  } else if (Utf16Compare(Name, mUserName) == 0) {
    Status = FindProfile(mUserName, &Profile);
    if (EFI_ERROR(Status)) {
      QV_DIAG("FindUserProfileByName Guest failed. Status = %x\n", QV_DIAG_ARG(Status));
      return;
    }
    if (FindPasswordRecord(Profile, &Record) == EFI_NOT_FOUND) {
      DeleteHint(mUserName);
    }
  }
}

EFI_STATUS AdminPwdStatus(EFI_IFR_TYPE_VALUE *Value) {
  if (UserManagerState == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  QV_DIAG("ADMIN_PASSWORD_STATUS_ID\n");
  Value->u8 = EFI_ERROR(mQelUserManager->Probe(mQelUserManager)) ? 0 : 1;
  EFI_STATUS Status = ReadPasswordStatus(mSupervisorName, UserManagerVar::SupervisorPasswordSet, Value);
  if (EFI_ERROR(Status)) {
    QV_DIAG("AdminPwdStatus returning UNSUPPORTED\n");
  }
  return Status;
}

EFI_STATUS UserPwdStatus(EFI_IFR_TYPE_VALUE *Value) {
  if (UserManagerState == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = ReadPasswordStatus(mUserName, UserManagerVar::UserPasswordSet, Value);
  if (EFI_ERROR(Status)) {
    QV_DIAG("UserPwdStatus returning UNSUPPORTED\n");
  }
  return Status;
}
