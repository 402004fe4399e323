// SPDX-License-Identifier: BSD-2-Clause-Patent
// Account services of the testbed platform, one driver image:
//  - the Qel user manager service: profiles "Supervisor" and "User", the
//    password dialog behind Enroll, hints, CommitChanges, the lock-out form
//    registration;
//  - the user manager service (UEFI user manager shape): Current names the
//    account the scenario signs in (user=Supervisor|User, default
//    Supervisor), GetNextInfo/GetInfo hand the form browser each profile's
//    access policy (setup-administrator right for the Supervisor only), and
//    DeleteInfo removes a password record;
//  - the credential provider (present only);
//  - the lock-out form registration it received, for the checks.
// Passwords and hints live in the non-volatile variable "QvAccounts"; a
// profile holds a password record (type 0x10) while its password is not empty.
#include "include/guids.h"
#include "include/protocols/hii_database.h"
#include "include/protocols/qel_user_manager.h"
#include "include/protocols/user_manager.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/support/console_dialog.h"
#include "testbed/support/scenario.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

constexpr UINTN kAccounts = 2;
constexpr UINTN kMaxPassword = 20;
const CHAR16 *const kNames[kAccounts] = {u"Supervisor", u"User"};

struct AccountStore {
  CHAR16 Password[kAccounts][kMaxPassword + 1];
  CHAR16 Hint[kAccounts][kMaxPassword + 1];
};

enum RecordKind : UINT32 { kNameRecord, kPolicyRecord, kPasswordRecord, kRecordKinds };

struct Profile {
  UINT32 Index;
};
struct Record {
  UINT32 Profile;
  RecordKind Kind;
};

EFI_SYSTEM_TABLE *gSystem;
AccountStore mStore;
Profile mProfiles[kAccounts] = {{0}, {1}};
Record mRecords[kAccounts][kRecordKinds] = {{{0, kNameRecord}, {0, kPolicyRecord}, {0, kPasswordRecord}},
                                            {{1, kNameRecord}, {1, kPolicyRecord}, {1, kPasswordRecord}}};
UINTN mCurrent;  // index of the signed-in profile

TESTBED_UNLOCK_FORM_RECORD mUnlock;

const CHAR8 *AsciiName(UINTN Index) { return Index == 0 ? "Supervisor" : "User"; }

VOID LoadStore() {
  UINTN Size = sizeof(mStore);
  if (EFI_ERROR(gSystem->RuntimeServices->GetVariable(u"QvAccounts", &gTestbedVariableGuid, NULL, &Size, &mStore)) ||
      Size != sizeof(mStore)) {
    gSystem->BootServices->SetMem(&mStore, sizeof(mStore), 0);
  }
  // Never trust the stored text to be terminated.
  for (UINTN Index = 0; Index < kAccounts; Index++) {
    mStore.Password[Index][kMaxPassword] = 0;
    mStore.Hint[Index][kMaxPassword] = 0;
  }
}

EFI_STATUS SaveStore() {
  return gSystem->RuntimeServices->SetVariable(u"QvAccounts", &gTestbedVariableGuid, 7, sizeof(mStore), &mStore);
}

BOOLEAN HasPassword(UINTN Index) { return mStore.Password[Index][0] != 0; }

INTN ProfileIndex(EFI_USER_PROFILE_HANDLE Handle) {
  for (UINTN Index = 0; Index < kAccounts; Index++) {
    if (Handle == &mProfiles[Index]) {
      return (INTN)Index;
    }
  }
  return -1;
}

INTN NameIndex(const CHAR16 *Name) {
  for (UINTN Index = 0; Name != NULL && Index < kAccounts; Index++) {
    if (Char16Equal(Name, kNames[Index])) {
      return (INTN)Index;
    }
  }
  return -1;
}

Record *RecordOf(EFI_USER_INFO_HANDLE Handle) {
  for (UINTN Index = 0; Index < kAccounts; Index++) {
    for (UINTN Kind = 0; Kind < kRecordKinds; Kind++) {
      if (Handle == &mRecords[Index][Kind]) {
        return &mRecords[Index][Kind];
      }
    }
  }
  return NULL;
}

BOOLEAN RecordExists(const Record *Which) { return Which->Kind != kPasswordRecord || HasPassword(Which->Profile); }

UINT8 RecordType(RecordKind Kind) {
  return Kind == kNameRecord ? EFI_USER_INFO_NAME_RECORD
                             : (Kind == kPolicyRecord ? EFI_USER_INFO_ACCESS_POLICY_RECORD : PASSWORD_RECORD_TYPE);
}

// The record's bytes: header, then name text, access policy, or nothing (the
// password itself never leaves the service).
UINTN BuildRecord(const Record *Which, UINT8 *Out, UINTN Capacity) {
  UINT8 Bytes[128];
  gSystem->BootServices->SetMem(Bytes, sizeof(Bytes), 0);
  EFI_USER_INFO *Header = reinterpret_cast<EFI_USER_INFO *>(Bytes);
  Header->InfoType = RecordType(Which->Kind);
  Header->InfoAttribs = EFI_USER_INFO_PUBLIC;
  UINTN Size = sizeof(EFI_USER_INFO);
  if (Which->Kind == kNameRecord) {
    const CHAR16 *Name = kNames[Which->Profile];
    UINTN NameBytes = (Char16Length(Name) + 1) * sizeof(CHAR16);
    gSystem->BootServices->CopyMem(Bytes + Size, const_cast<CHAR16 *>(Name), NameBytes);
    Size += NameBytes;
  } else if (Which->Kind == kPolicyRecord) {
    EFI_USER_INFO_ACCESS_CONTROL Control = {EFI_USER_INFO_ACCESS_SETUP,
                                            (UINT32)(sizeof(EFI_USER_INFO_ACCESS_CONTROL) + sizeof(EFI_GUID))};
    gSystem->BootServices->CopyMem(Bytes + Size, &Control, sizeof(Control));
    Size += sizeof(Control);
    const EFI_GUID *Right = Which->Profile == 0 ? &gEfiUserInfoAccessSetupAdminGuid : &gEfiUserInfoAccessSetupNormalGuid;
    gSystem->BootServices->CopyMem(Bytes + Size, const_cast<EFI_GUID *>(Right), sizeof(EFI_GUID));
    Size += sizeof(EFI_GUID);
  }
  Header->InfoSize = (UINT32)Size;
  if (Out != NULL && Capacity >= Size) {
    gSystem->BootServices->CopyMem(Out, Bytes, Size);
  }
  return Size;
}

// ---------------------------------------------------------------- user manager
EFI_STATUS EFIAPI UmCreate(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE *) { return EFI_ACCESS_DENIED; }
EFI_STATUS EFIAPI UmDelete(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE) { return EFI_ACCESS_DENIED; }

EFI_STATUS EFIAPI UmGetNext(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE *User) {
  if (User == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (*User == NULL) {
    *User = &mProfiles[0];
    return EFI_SUCCESS;
  }
  INTN Index = ProfileIndex(*User);
  if (Index < 0 || (UINTN)Index + 1 >= kAccounts) {
    return EFI_NOT_FOUND;
  }
  *User = &mProfiles[Index + 1];
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI UmCurrent(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE *CurrentUser) {
  if (CurrentUser == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  *CurrentUser = &mProfiles[mCurrent];
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI UmIdentify(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *User) {
  return UmCurrent(This, User);
}

EFI_STATUS EFIAPI UmFind(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE *, EFI_USER_INFO_HANDLE *,
                         const EFI_USER_INFO *, UINTN) {
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI UmNotify(const EFI_USER_MANAGER_PROTOCOL *, EFI_HANDLE) { return EFI_SUCCESS; }

EFI_STATUS EFIAPI UmGetInfo(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE User,
                            EFI_USER_INFO_HANDLE UserInfo, EFI_USER_INFO *Info, UINTN *InfoSize) {
  INTN Index = ProfileIndex(User);
  Record *Which = RecordOf(UserInfo);
  if (Index < 0 || Which == NULL || Which->Profile != (UINT32)Index || InfoSize == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (!RecordExists(Which)) {
    return EFI_NOT_FOUND;
  }
  UINTN Size = BuildRecord(Which, NULL, 0);
  if (Info == NULL || *InfoSize < Size) {
    *InfoSize = Size;
    return EFI_BUFFER_TOO_SMALL;
  }
  *InfoSize = BuildRecord(Which, reinterpret_cast<UINT8 *>(Info), *InfoSize);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI UmSetInfo(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE, EFI_USER_INFO_HANDLE *,
                            const EFI_USER_INFO *, UINTN) {
  return EFI_ACCESS_DENIED;
}

EFI_STATUS EFIAPI UmDeleteInfo(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE User,
                               EFI_USER_INFO_HANDLE UserInfo) {
  INTN Index = ProfileIndex(User);
  Record *Which = RecordOf(UserInfo);
  LogEvent("um DeleteInfo %a", (UINT64)(Index < 0 ? "?" : AsciiName((UINTN)Index)));
  if (Index < 0 || Which == NULL || Which->Profile != (UINT32)Index) {
    return EFI_INVALID_PARAMETER;
  }
  if (Which->Kind != kPasswordRecord) {
    return EFI_ACCESS_DENIED;
  }
  if (!HasPassword((UINTN)Index)) {
    return EFI_NOT_FOUND;
  }
  gSystem->BootServices->SetMem(mStore.Password[Index], sizeof(mStore.Password[Index]), 0);
  return SaveStore();
}

// The record of profile Index after *UserInfo (from the first when it is null) that exists and,
// when InfoType is given, has that type. EFI_INVALID_PARAMETER for a handle of another profile.
EFI_STATUS NextRecord(UINTN Index, EFI_USER_INFO_HANDLE *UserInfo, const UINT8 *InfoType) {
  UINTN Next = 0;
  if (*UserInfo != NULL) {
    Record *Which = RecordOf(*UserInfo);
    if (Which == NULL || Which->Profile != (UINT32)Index) {
      return EFI_INVALID_PARAMETER;
    }
    Next = (UINTN)Which->Kind + 1;
  }
  for (; Next < kRecordKinds; Next++) {
    Record *Candidate = &mRecords[Index][Next];
    if (RecordExists(Candidate) && (InfoType == NULL || RecordType(Candidate->Kind) == *InfoType)) {
      *UserInfo = Candidate;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI UmGetNextInfo(const EFI_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE User,
                                EFI_USER_INFO_HANDLE *UserInfo) {
  INTN Index = ProfileIndex(User);
  LogEvent("um GetNextInfo %a", (UINT64)(Index < 0 ? "?" : AsciiName((UINTN)Index)));
  if (Index < 0 || UserInfo == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  return NextRecord((UINTN)Index, UserInfo, NULL);
}

EFI_USER_MANAGER_PROTOCOL mUserManager = {UmCreate,  UmDelete,  UmGetNext, UmCurrent,    UmIdentify,    UmFind,
                                          UmNotify,  UmGetInfo, UmSetInfo, UmDeleteInfo, UmGetNextInfo};

// ---------------------------------------------------------------- Qel user manager
EFI_STATUS EFIAPI QelUnused(QEL_USER_MANAGER_PROTOCOL *) { return EFI_UNSUPPORTED; }

EFI_STATUS EFIAPI QelProbe(QEL_USER_MANAGER_PROTOCOL *) { return EFI_SUCCESS; }

EFI_STATUS EFIAPI QelGetUsernameFromProfile(QEL_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE Profile,
                                            CHAR16 **UserName) {
  INTN Index = ProfileIndex(Profile);
  if (Index < 0 || UserName == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  *UserName = const_cast<CHAR16 *>(kNames[Index]);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI QelCommitChanges(QEL_USER_MANAGER_PROTOCOL *) {
  EFI_STATUS Status = SaveStore();
  LogEvent("um CommitChanges supervisor=%a user=%a status=%x", (UINT64)(HasPassword(0) ? "set" : "cleared"),
           (UINT64)(HasPassword(1) ? "set" : "cleared"), Status);
  return Status;
}

EFI_STATUS EFIAPI QelAddPwdHint(QEL_USER_MANAGER_PROTOCOL *, const CHAR16 *UserName, const CHAR16 *Hint) {
  INTN Index = NameIndex(UserName);
  LogEvent("um AddPwdHint %s %s", (UINT64)UserName, (UINT64)Hint);
  if (Index < 0 || Hint == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  Char16Copy(mStore.Hint[Index], kMaxPassword + 1, Hint);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI QelDeletePwdHint(QEL_USER_MANAGER_PROTOCOL *, const CHAR16 *UserName) {
  INTN Index = NameIndex(UserName);
  LogEvent("um DeletePwdHint %s", (UINT64)UserName);
  if (Index < 0) {
    return EFI_INVALID_PARAMETER;
  }
  gSystem->BootServices->SetMem(mStore.Hint[Index], sizeof(mStore.Hint[Index]), 0);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI QelFindListInfo(QEL_USER_MANAGER_PROTOCOL *, EFI_USER_PROFILE_HANDLE Profile,
                                  EFI_USER_INFO_HANDLE *UserInfo, const EFI_USER_INFO *Template, VOID *) {
  INTN Index = ProfileIndex(Profile);
  if (Index < 0 || UserInfo == NULL || Template == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  return NextRecord((UINTN)Index, UserInfo, &Template->InfoType);
}

EFI_STATUS EFIAPI QelFindProfileByName(QEL_USER_MANAGER_PROTOCOL *, const CHAR16 *UserName,
                                       EFI_USER_PROFILE_HANDLE *Profile) {
  INTN Index = NameIndex(UserName);
  if (Index < 0 || Profile == NULL) {
    return EFI_NOT_FOUND;
  }
  *Profile = &mProfiles[Index];
  return EFI_SUCCESS;
}

// The password dialog: the new password twice; both empty clears it; ESC or
// a mismatch changes nothing and reports EFI_ABORTED.
EFI_STATUS EFIAPI QelEnroll(QEL_USER_MANAGER_PROTOCOL *, const CHAR16 *UserName) {
  INTN Index = NameIndex(UserName);
  if (Index < 0) {
    LogEvent("um Enroll %s status=%x", (UINT64)UserName, EFI_NOT_FOUND);
    return EFI_NOT_FOUND;
  }
  CHAR16 Title[48];
  Char16Copy(Title, 48, u"Set ");
  Char16Copy(Title + 4, 44, kNames[Index]);
  UINTN Length = Char16Length(Title);
  Char16Copy(Title + Length, 48 - Length, u" Password");
  CHAR16 First[kMaxPassword + 1], Second[kMaxPassword + 1];
  EFI_STATUS Status = ReadPassword(gSystem, Title, u"Enter New Password:", First, kMaxPassword);
  if (!EFI_ERROR(Status)) {
    Status = ReadPassword(gSystem, Title, u"Confirm New Password:", Second, kMaxPassword);
  }
  if (!EFI_ERROR(Status) && !Char16Equal(First, Second)) {
    const CHAR16 *Lines[1] = {u"Passwords do not match. Nothing was changed."};
    ShowMessageBox(gSystem, Lines, 1);
    Status = EFI_ABORTED;
  }
  if (!EFI_ERROR(Status)) {
    Char16Copy(mStore.Password[Index], kMaxPassword + 1, First);
  }
  gSystem->BootServices->SetMem(First, sizeof(First), 0);
  gSystem->BootServices->SetMem(Second, sizeof(Second), 0);
  LogEvent("um Enroll %s %a status=%x", (UINT64)UserName,
           (UINT64)(EFI_ERROR(Status) ? "unchanged" : (HasPassword((UINTN)Index) ? "set" : "cleared")), Status);
  return Status;
}

EFI_STATUS EFIAPI QelRegisterUnlockForm(QEL_USER_MANAGER_PROTOCOL *, EFI_HII_HANDLE HiiHandle,
                                        const EFI_GUID *FormSetGuid, UINT16 FormId, UINT16 PromptStringId,
                                        UINT16 TextStringId, QEL_UNLOCK_FORM_CALLBACK Callback) {
  if (FormSetGuid == NULL || Callback == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  mUnlock.Registered = TRUE;
  mUnlock.HiiHandle = HiiHandle;
  mUnlock.FormSet = *FormSetGuid;
  mUnlock.FormId = FormId;
  mUnlock.PromptId = PromptStringId;
  mUnlock.TextId = TextStringId;
  mUnlock.Callback = Callback;
  LogEvent("um RegisterUnlockForm form=%d prompt=%d text=%d", (UINT64)FormId, (UINT64)PromptStringId,
           (UINT64)TextStringId);
  return EFI_SUCCESS;
}

QEL_USER_MANAGER_PROTOCOL mQel = {
    QelProbe,     QelGetUsernameFromProfile, QelCommitChanges, QelUnused, QelUnused, QelAddPwdHint, QelDeletePwdHint,
    QelUnused,    QelFindListInfo,           QelFindProfileByName, QelUnused, QelUnused, QelUnused, QelEnroll,
    QelUnused,    QelUnused,                 QelUnused,        QelUnused, QelUnused, QelRegisterUnlockForm};

// ---------------------------------------------------------------- credential provider
struct CREDENTIAL_PROVIDER {
  EFI_GUID Identifier;
  EFI_STATUS(EFIAPI *Enroll)(VOID);
};
EFI_STATUS EFIAPI CredentialUnsupported() { return EFI_UNSUPPORTED; }
CREDENTIAL_PROVIDER mCredential = {{0x2B5F3D11, 0x7A40, 0x4C1B, {0x91, 0x0E, 0x5C, 0x2A, 0x33, 0x6D, 0x0F, 0x41}},
                                   CredentialUnsupported};

}  // namespace

extern "C" EFI_STATUS EFIAPI AccountsMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  LogEventsFromScenario(SystemTable->RuntimeServices);
  gSystem = SystemTable;
  LoadStore();
  mCurrent = ScenarioIs(SystemTable->RuntimeServices, "user", "User") ? 1 : 0;
  EFI_BOOT_SERVICES *BS = SystemTable->BootServices;
  EFI_HANDLE Handle = NULL;
  EFI_STATUS Status = BS->InstallProtocolInterface(&Handle, &gEfiUserManagerProtocolGuid, EFI_NATIVE_INTERFACE,
                                                   &mUserManager);
  if (!EFI_ERROR(Status)) {
    Status = BS->InstallProtocolInterface(&Handle, &gQelUserManagerProtocolGuid, EFI_NATIVE_INTERFACE, &mQel);
  }
  if (!EFI_ERROR(Status)) {
    Status = BS->InstallProtocolInterface(&Handle, &gTestbedUnlockFormRecordGuid, EFI_NATIVE_INTERFACE, &mUnlock);
  }
  EFI_HANDLE CredentialHandle = NULL;
  if (!EFI_ERROR(Status)) {
    Status = BS->InstallProtocolInterface(&CredentialHandle, &gCredentialProviderProtocolGuid, EFI_NATIVE_INTERFACE,
                                          &mCredential);
  }
  LogEvent("accounts signed-in=%a supervisor=%a user=%a status=%x", (UINT64)AsciiName(mCurrent),
           (UINT64)(HasPassword(0) ? "set" : "cleared"), (UINT64)(HasPassword(1) ? "set" : "cleared"), Status);
  return Status;
}
