// SPDX-License-Identifier: BSD-2-Clause-Patent
// The Security page's numbers: form, question, varstore and string IDs, store fields and codes.
//
// security.form names these numbers and forms/tools/gen_packages.py reads them from here, so the
// form set and the driver cannot disagree. The generator reads only the plain lines below:
//   namespace NAME {                          a group; the form writes NAME.MEMBER
//   constexpr TYPE NAME = NUMBER;             decimal or 0x hexadecimal
//   }  // namespace NAME
// The form writes a question by its bare name (CurrentUserIsSupervisor), anything else by its
// group and name (UserManagerVar.IsSupervisor, HddPortState.Unsupported, SecurityForm.Main). The
// STR_ names are those of forms/strings/*.txt; the generator checks they hold the same IDs.
#pragma once
#include "include/uefi_types.h"

namespace SecurityForm {
constexpr EFI_FORM_ID Main = 1;
constexpr EFI_FORM_ID TpmSetup = 8;
constexpr EFI_FORM_ID Lockout = 17;  // shown by the user manager after too many failed log-ins
constexpr EFI_FORM_ID ChangesSaved = 18;
}  // namespace SecurityForm

// Every question of the form set. Those marked "retrieved" are hidden state questions whose
// values the callback supplies; "changed" ones are actions the callback carries out.
namespace SecurityQuestion {
constexpr EFI_QUESTION_ID PasswordOnBoot = 1;
constexpr EFI_QUESTION_ID TpmSetupMenu = 2;               // the link to form TpmSetup
constexpr EFI_QUESTION_ID TpmCurrentState = 3;
constexpr EFI_QUESTION_ID CurrentUserIsSupervisor = 1003;  // retrieved
constexpr EFI_QUESTION_ID UserPasswordStatus = 1004;       // retrieved
constexpr EFI_QUESTION_ID SetSupervisorPassword = 1006;    // changed
constexpr EFI_QUESTION_ID SupervisorHint = 1007;           // changed
constexpr EFI_QUESTION_ID SetUserPassword = 1008;          // changed
constexpr EFI_QUESTION_ID UserHint = 1009;                 // changed
constexpr EFI_QUESTION_ID MaxPasswordLength = 1019;        // changed
constexpr EFI_QUESTION_ID MinPasswordLength = 1020;        // changed
constexpr EFI_QUESTION_ID MinPasswordLengthCopy = 1021;    // hidden, the same byte, for a check
constexpr EFI_QUESTION_ID ChangesSavedExit = 1022;         // changed
constexpr EFI_QUESTION_ID HddCount = 4000;                 // retrieved
constexpr EFI_QUESTION_ID HddPort0State = 4001;            // retrieved, ports 0 to 5 in order
constexpr EFI_QUESTION_ID HddPort1State = 4002;
constexpr EFI_QUESTION_ID HddPort2State = 4003;
constexpr EFI_QUESTION_ID HddPort3State = 4004;
constexpr EFI_QUESTION_ID HddPort4State = 4005;
constexpr EFI_QUESTION_ID HddPort5State = 4006;
constexpr EFI_QUESTION_ID SupervisorPasswordStatus = 10002;  // retrieved
constexpr EFI_QUESTION_ID TpmPresent = 10004;                // retrieved
constexpr EFI_QUESTION_ID TpmSupport = 10005;
constexpr EFI_QUESTION_ID TpmChangeRequest = 10006;
// The user-password question of each port (changed); the master-password question of the
// port follows it. The form set holds port 0's only; the callback answers all six.
constexpr EFI_QUESTION_ID HddPort0UserPassword = 10020;
constexpr EFI_QUESTION_ID HddPort1UserPassword = 10026;
constexpr EFI_QUESTION_ID HddPort2UserPassword = 10029;
constexpr EFI_QUESTION_ID HddPort3UserPassword = 10032;
constexpr EFI_QUESTION_ID HddPort4UserPassword = 10035;
constexpr EFI_QUESTION_ID HddPort5UserPassword = 10038;
constexpr EFI_QUESTION_ID TxtEnable = 10041;
constexpr EFI_QUESTION_ID TxtCapable = 10042;  // retrieved
}  // namespace SecurityQuestion

// The seven variable stores, one group each, named like the store: its varstore ID in the form
// set, its declared size and the byte offsets of the fields the page or the driver uses.
namespace TpmStatusVar {
constexpr EFI_VARSTORE_ID VarStoreId = 1;
constexpr UINT16 Size = 82;
constexpr UINT16 TpmPresent = 80;
}  // namespace TpmStatusVar

namespace PbaStatusVar {
constexpr EFI_VARSTORE_ID VarStoreId = 2;
constexpr UINT16 Size = 12;
constexpr UINT16 SupervisorPasswordSet = 2;
constexpr UINT16 PasswordOnBoot = 11;
}  // namespace PbaStatusVar

namespace StatusSetupVar {  // no field of its own
constexpr EFI_VARSTORE_ID VarStoreId = 3;
constexpr UINT16 Size = 99;
}  // namespace StatusSetupVar

namespace HDD_Password_Status {
constexpr EFI_VARSTORE_ID VarStoreId = 4;
constexpr UINT16 Size = 9;
constexpr UINT16 DiskCount = 2;
constexpr UINT16 Port0State = 3;  // ports 0 to 5 in order
constexpr UINT16 Port1State = 4;
constexpr UINT16 Port2State = 5;
constexpr UINT16 Port3State = 6;
constexpr UINT16 Port4State = 7;
constexpr UINT16 Port5State = 8;
}  // namespace HDD_Password_Status

namespace System {  // QEL_SYSTEM_CONFIGURATION
constexpr EFI_VARSTORE_ID VarStoreId = 5;
constexpr UINT16 Size = 21;
constexpr UINT16 TpmSupport = 10;
constexpr UINT16 TpmRequest = 11;  // TCG physical-presence operation 0 to 9
constexpr UINT16 TpmEnabled = 13;
constexpr UINT16 TpmActivated = 14;
constexpr UINT16 TpmState = 15;
constexpr UINT16 MaxPasswordLength = 17;
constexpr UINT16 MinPasswordLength = 18;
}  // namespace System

// Also the layout of the driver's UserManagerState block.
namespace UserManagerVar {
constexpr EFI_VARSTORE_ID VarStoreId = 6;
constexpr UINT16 Size = 5;
constexpr UINT16 IsSupervisor = 1;
constexpr UINT16 UserPasswordSet = 3;
constexpr UINT16 SupervisorPasswordSet = 4;  // UserManagerState only; the form set has no question on it
}  // namespace UserManagerVar

namespace Setup {  // the platform's setup variable
constexpr EFI_VARSTORE_ID VarStoreId = 7;
constexpr UINT16 Size = 868;
constexpr UINT16 VtEnable = 377;    // Intel VT switch, forced on with TXT
constexpr UINT16 TxtCapable = 702;  // 1 once the TXT capability rule held
constexpr UINT16 TxtEnable = 703;   // Intel TXT switch
}  // namespace Setup

// Security state of a hard-disk port, as questions HddPort0State to HddPort5State report it.
namespace HddPortState {
constexpr UINT8 Cleared = 0;  // security supported, no password set
constexpr UINT8 User = 1;     // user password set
constexpr UINT8 UserMaster = 2;
constexpr UINT8 Master = 3;       // master password set, no user password
constexpr UINT8 Unsupported = 4;  // disk without the security feature
constexpr UINT8 NoDisk = 5;       // nothing on the port: the port's lines stay hidden
constexpr UINT8 Frozen = 6;
constexpr UINT8 CountExpired = 7;  // password-attempt count expired
}  // namespace HddPortState

// The strings the driver reads or changes at run time.
constexpr EFI_STRING_ID STR_CHANGES_SAVED = 87;    // the pop-up after a password change
constexpr EFI_STRING_ID STR_SYSTEM_LOCKED = 116;   // prompt of the lock-out form
constexpr EFI_STRING_ID STR_LOCKOUT_TEXT = 117;    // text of the lock-out form, filled at run time
