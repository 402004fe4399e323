// SPDX-License-Identifier: BSD-2-Clause-Patent
// The two user manager services of the host platform, sharing one set of
// account profiles: the UEFI-shaped user manager (Current, DeleteInfo) and the
// Qel user manager (profiles, password dialog outcome, hints, lock-out form).
#pragma once
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "include/protocols/qel_user_manager.h"
#include "include/protocols/user_manager.h"

namespace host {

class Platform;

struct AccountProfile {
  std::u16string Name;
  bool HasPassword = false;
  std::u16string Hint;
  bool HasHint = false;
  int PasswordRecord = 0;  // its address is the record handle
};

// What the next Enroll does.
enum class EnrollOutcome { SetPassword, ClearPassword, Cancel };

struct Accounts {
  std::deque<AccountProfile> Profiles;  // stable addresses: a profile's address is its handle
  AccountProfile *Find(const std::u16string &Name);
  AccountProfile *FromHandle(EFI_USER_PROFILE_HANDLE Handle);
  AccountProfile &Add(const std::u16string &Name, bool HasPassword = false);
};

struct UserManagerFake {
  EFI_USER_MANAGER_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  std::u16string CurrentUser = u"Supervisor";
  EFI_STATUS CurrentStatus = EFI_SUCCESS;
  explicit UserManagerFake(Platform *Owner);
};

struct UnlockFormRegistration {
  bool Registered = false;
  EFI_HII_HANDLE HiiHandle = nullptr;
  EFI_GUID FormSetGuid{};
  UINT16 FormId = 0;
  UINT16 PromptStringId = 0;
  UINT16 TextStringId = 0;
  QEL_UNLOCK_FORM_CALLBACK Callback = nullptr;
};

struct QelUserManagerFake {
  QEL_USER_MANAGER_PROTOCOL Protocol;  // first: the interface pointer is the fake
  Platform *Owner;
  EnrollOutcome NextEnroll = EnrollOutcome::SetPassword;
  EFI_STATUS ProbeStatus = EFI_SUCCESS;
  EFI_STATUS GetUsernameStatus = EFI_SUCCESS;
  EFI_STATUS RegisterUnlockFormStatus = EFI_SUCCESS;
  // When set, FindListInfo answers this for the named account instead of looking.
  std::u16string FindListInfoOverrideName;
  EFI_STATUS FindListInfoOverride = EFI_SUCCESS;
  // FindProfileByName fails with the status for the named accounts.
  std::map<std::u16string, EFI_STATUS> FindProfileFailures;
  // FindProfileByName calls whose profile handle did not come in null.
  size_t ProfileHandlesPassedIn = 0;
  // Every FindListInfo search: its template, and whether it started at the first record.
  struct Search {
    EFI_USER_INFO Template;
    bool FromFirstRecord;
  };
  std::vector<Search> Searches;
  UnlockFormRegistration Unlock;
  explicit QelUserManagerFake(Platform *Owner);
};

}  // namespace host
