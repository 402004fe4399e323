// SPDX-License-Identifier: BSD-2-Clause-Patent
// Operations on the two setup accounts, "Supervisor" and "User", through the
// Qel user manager service (profiles, password dialog, hints) and the user
// manager service (record deletion).
#pragma once
#include "include/protocols/hii_config.h"

extern const CHAR16 mSupervisorName[];
extern const CHAR16 mUserName[];

// Runs the service's password dialog for Name; on success applies the
// clean-up rule and commits. Returns the dialog's status.
EFI_STATUS EnrollAccount(const CHAR16 *Name);
// Stores the text of string HintStringId of the driver's list as Name's hint.
VOID EnterPasswordHint(const CHAR16 *Name, EFI_STRING_ID HintStringId);
// After an enrolment: a hint exists only beside a password, and the User has a
// password only while the Supervisor has one.
VOID CleanupClearedPassword(const CHAR16 *Name);
// Supervisor / User password status into UserManagerState byte
// UserManagerVar::SupervisorPasswordSet / UserPasswordSet and
// Value->u8; EFI_UNSUPPORTED when the profile is missing.
EFI_STATUS AdminPwdStatus(EFI_IFR_TYPE_VALUE *Value);
EFI_STATUS UserPwdStatus(EFI_IFR_TYPE_VALUE *Value);
