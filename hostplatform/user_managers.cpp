// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform user manager services over one set of accounts.
#include "hostplatform/user_managers.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

AccountProfile *Accounts::Find(const std::u16string &Name) {
  for (AccountProfile &Profile : Profiles) {
    if (Profile.Name == Name) {
      return &Profile;
    }
  }
  return nullptr;
}

AccountProfile *Accounts::FromHandle(EFI_USER_PROFILE_HANDLE Handle) {
  for (AccountProfile &Profile : Profiles) {
    if (&Profile == Handle) {
      return &Profile;
    }
  }
  return nullptr;
}

AccountProfile &Accounts::Add(const std::u16string &Name, bool HasPassword) {
  Profiles.push_back(AccountProfile{Name, HasPassword, u"", false, 0});
  return Profiles.back();
}

namespace {

UserManagerFake *Self(const EFI_USER_MANAGER_PROTOCOL *This) {
  return reinterpret_cast<UserManagerFake *>(const_cast<EFI_USER_MANAGER_PROTOCOL *>(This));
}
QelUserManagerFake *Self(QEL_USER_MANAGER_PROTOCOL *This) { return reinterpret_cast<QelUserManagerFake *>(This); }

std::string NameOf(const CHAR16 *Text) { return Narrow(Text); }

// ---------------------------------------------------------------- user manager
EFI_STATUS EFIAPI Current(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE *CurrentUser) {
  UserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("UserManager.Current");
  if (CurrentUser == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Fake->CurrentStatus != EFI_SUCCESS) {
    return Fake->CurrentStatus;
  }
  AccountProfile *Profile = Fake->Owner->Users.Find(Fake->CurrentUser);
  if (Profile == nullptr) {
    return EFI_NOT_FOUND;
  }
  *CurrentUser = Profile;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI DeleteInfo(const EFI_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE User,
                             EFI_USER_INFO_HANDLE UserInfo) {
  UserManagerFake *Fake = Self(This);
  AccountProfile *Profile = Fake->Owner->Users.FromHandle(User);
  std::string Record = UserInfo == nullptr                                 ? "null"
                       : Profile && UserInfo == &Profile->PasswordRecord ? "password record"
                                                                         : "?";
  Fake->Owner->Log.Add("UserManager.DeleteInfo(" + (Profile ? Narrow(Profile->Name) : std::string("?")) + "," + Record +
                       ")");
  if (Profile == nullptr || UserInfo != &Profile->PasswordRecord || !Profile->HasPassword) {
    return EFI_NOT_FOUND;
  }
  Profile->HasPassword = false;
  return EFI_SUCCESS;
}

// ---------------------------------------------------------------- Qel user manager
EFI_STATUS EFIAPI Probe(QEL_USER_MANAGER_PROTOCOL *This) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.Probe");
  return Fake->ProbeStatus;
}

EFI_STATUS EFIAPI GetUsernameFromProfile(QEL_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE Profile,
                                         CHAR16 **UserName) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.GetUsernameFromProfile");
  if (Fake->GetUsernameStatus != EFI_SUCCESS) {
    return Fake->GetUsernameStatus;
  }
  AccountProfile *Account = Fake->Owner->Users.FromHandle(Profile);
  if (Account == nullptr || UserName == nullptr) {
    return EFI_NOT_FOUND;
  }
  *UserName = const_cast<CHAR16 *>(Account->Name.c_str());  // owned by the service
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI CommitChanges(QEL_USER_MANAGER_PROTOCOL *This) {
  Self(This)->Owner->Log.Add("Qel.CommitChanges");
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI AddPwdHint(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName, const CHAR16 *Hint) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.AddPwdHint(" + NameOf(UserName) + "," + NameOf(Hint) + ")");
  AccountProfile *Account = UserName ? Fake->Owner->Users.Find(UserName) : nullptr;
  if (Account == nullptr || Hint == nullptr) {
    return EFI_NOT_FOUND;
  }
  Account->Hint = Hint;
  Account->HasHint = true;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI DeletePwdHint(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.DeletePwdHint(" + NameOf(UserName) + ")");
  AccountProfile *Account = UserName ? Fake->Owner->Users.Find(UserName) : nullptr;
  if (Account == nullptr || !Account->HasHint) {
    return EFI_NOT_FOUND;
  }
  Account->Hint.clear();
  Account->HasHint = false;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FindListInfo(QEL_USER_MANAGER_PROTOCOL *This, EFI_USER_PROFILE_HANDLE Profile,
                               EFI_USER_INFO_HANDLE *UserInfo, const EFI_USER_INFO *Template, VOID *Reserved) {
  QelUserManagerFake *Fake = Self(This);
  AccountProfile *Account = Fake->Owner->Users.FromHandle(Profile);
  Fake->Owner->Log.Add("Qel.FindListInfo(" + (Account ? Narrow(Account->Name) : std::string("?")) + ")");
  if (Account == nullptr || UserInfo == nullptr || Template == nullptr || Reserved != nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Fake->Searches.push_back(QelUserManagerFake::Search{*Template, *UserInfo == nullptr});
  if (!Fake->FindListInfoOverrideName.empty() && Fake->FindListInfoOverrideName == Account->Name) {
    *UserInfo = &Account->PasswordRecord;
    return Fake->FindListInfoOverride;
  }
  // Only password records exist in this fake; a search starts after *UserInfo.
  if (Template->InfoType != PASSWORD_RECORD_TYPE || !Account->HasPassword || *UserInfo != nullptr) {
    return EFI_NOT_FOUND;
  }
  *UserInfo = &Account->PasswordRecord;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FindProfileByName(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName,
                                    EFI_USER_PROFILE_HANDLE *Profile) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.FindProfileByName(" + NameOf(UserName) + ")");
  if (Profile != nullptr && *Profile != nullptr) {
    Fake->ProfileHandlesPassedIn++;
  }
  AccountProfile *Account = UserName ? Fake->Owner->Users.Find(UserName) : nullptr;
  if (Account == nullptr || Profile == nullptr) {
    return EFI_NOT_FOUND;
  }
  auto Failure = Fake->FindProfileFailures.find(Account->Name);
  if (Failure != Fake->FindProfileFailures.end()) {
    return Failure->second;
  }
  *Profile = Account;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI Enroll(QEL_USER_MANAGER_PROTOCOL *This, const CHAR16 *UserName) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.Enroll(" + NameOf(UserName) + ")");
  AccountProfile *Account = UserName ? Fake->Owner->Users.Find(UserName) : nullptr;
  if (Account == nullptr) {
    return EFI_NOT_FOUND;
  }
  switch (Fake->NextEnroll) {
    case EnrollOutcome::SetPassword:
      Account->HasPassword = true;
      return EFI_SUCCESS;
    case EnrollOutcome::ClearPassword:
      Account->HasPassword = false;
      return EFI_SUCCESS;
    case EnrollOutcome::Cancel:
      break;
  }
  return EFI_ABORTED;
}

EFI_STATUS EFIAPI RegisterUnlockForm(QEL_USER_MANAGER_PROTOCOL *This, EFI_HII_HANDLE HiiHandle,
                                     const EFI_GUID *FormSetGuid, UINT16 FormId, UINT16 PromptStringId,
                                     UINT16 TextStringId, QEL_UNLOCK_FORM_CALLBACK Callback) {
  QelUserManagerFake *Fake = Self(This);
  Fake->Owner->Log.Add("Qel.RegisterUnlockForm");
  if (Fake->RegisterUnlockFormStatus != EFI_SUCCESS) {
    return Fake->RegisterUnlockFormStatus;
  }
  Fake->Unlock = UnlockFormRegistration{true, HiiHandle, FormSetGuid ? *FormSetGuid : EFI_GUID{},
                                        FormId, PromptStringId, TextStringId, Callback};
  return EFI_SUCCESS;
}

}  // namespace

UserManagerFake::UserManagerFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.Current = Current;
  Protocol.DeleteInfo = DeleteInfo;
}

QelUserManagerFake::QelUserManagerFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.Probe = Probe;
  Protocol.GetUsernameFromProfile = GetUsernameFromProfile;
  Protocol.CommitChanges = CommitChanges;
  Protocol.AddPwdHint = AddPwdHint;
  Protocol.DeletePwdHint = DeletePwdHint;
  Protocol.FindListInfo = FindListInfo;
  Protocol.FindProfileByName = FindProfileByName;
  Protocol.Enroll = Enroll;
  Protocol.RegisterUnlockForm = RegisterUnlockForm;
}

}  // namespace host
