// SPDX-License-Identifier: BSD-2-Clause-Patent
// A visit of the Security page as the form browser makes it, for the budget report.
#include "bench/page_visit.h"

#include <vector>

#include "entry/driver_init.h"
#include "forms/security_page_ids.h"
#include "include/guids.h"
#include "support/service_context.h"

namespace bench {

namespace {

std::u16string Hex(const UINT8 *Bytes, size_t Count) {
  static const char mDigits[] = "0123456789abcdef";
  std::u16string Out;
  for (size_t Index = 0; Index < Count; Index++) {
    Out += (char16_t)mDigits[Bytes[Index] >> 4];
    Out += (char16_t)mDigits[Bytes[Index] & 15];
  }
  return Out;
}

struct Store {
  const EFI_GUID *Guid;
  const char16_t *Name;
  UINTN Size;
};

const Store mStores[] = {
    {&gSetupVariableGuid, u"Setup", Setup::Size},
    {&gTpmStatusVarGuid, u"TpmStatusVar", TpmStatusVar::Size},
    {&gPbaStatusVarGuid, u"PbaStatusVar", PbaStatusVar::Size},
    {&gStatusSetupVarGuid, u"StatusSetupVar", StatusSetupVar::Size},
    {&gHddPasswordStatusVarGuid, u"HDD_Password_Status", HDD_Password_Status::Size},
    {&gSystemConfigurationGuid, u"System", System::Size},
    {&gUserManagerVarGuid, u"UserManagerVar", UserManagerVar::Size},
};

const EFI_QUESTION_ID mHiddenQuestions[] = {
    SecurityQuestion::SupervisorPasswordStatus,
    SecurityQuestion::TpmPresent,
    SecurityQuestion::HddCount,
    SecurityQuestion::HddPort0State,
    SecurityQuestion::HddPort1State,
    SecurityQuestion::HddPort2State,
    SecurityQuestion::HddPort3State,
    SecurityQuestion::HddPort4State,
    SecurityQuestion::HddPort5State,
    SecurityQuestion::CurrentUserIsSupervisor,
    SecurityQuestion::UserPasswordStatus,
    SecurityQuestion::TxtCapable,
};

}  // namespace

std::u16string ConfigHeader(const EFI_GUID &Guid, const std::u16string &Name) {
  std::u16string Header = u"GUID=" + Hex(reinterpret_cast<const UINT8 *>(&Guid), sizeof(Guid)) + u"&NAME=";
  for (char16_t Character : Name) {
    UINT8 Pair[2] = {(UINT8)(Character >> 8), (UINT8)Character};
    Header += Hex(Pair, 2);
  }
  Header += u"&PATH=";
  const UINT8 *Path = static_cast<const UINT8 *>(
      host::Platform::Active().Handles.InterfaceOn(mDriverHandle, gEfiDevicePathProtocolGuid));
  if (Path != nullptr) {
    Header += Hex(Path, 32);
  }
  return Header;
}

EFI_STATUS ExtractStore(host::Platform &P, const EFI_GUID &Guid, const std::u16string &Name, UINTN Size) {
  std::u16string Request = ConfigHeader(Guid, Name) + u"&OFFSET=0&WIDTH=";
  static const char mDigits[] = "0123456789abcdef";
  std::u16string Width;
  for (UINTN Value = Size; Value != 0; Value >>= 4) {
    Width.insert(Width.begin(), (char16_t)mDigits[Value & 15]);
  }
  Request += Width;
  EFI_STRING Progress = nullptr;
  EFI_STRING Results = nullptr;
  EFI_STATUS Status = mSecurityConfigAccess.ExtractConfig(&mSecurityConfigAccess, Request.c_str(), &Progress, &Results);
  if (Results != nullptr) {
    P.BootServices.FreePool(Results);
  }
  return Status;
}

EFI_STATUS RouteOneSave(host::Platform &P) {
  (void)P;
  std::u16string Configuration = ConfigHeader(gSystemConfigurationGuid, u"System") + u"&OFFSET=11&WIDTH=1&VALUE=0c";
  EFI_STRING Progress = nullptr;
  return mSecurityConfigAccess.RouteConfig(&mSecurityConfigAccess, Configuration.c_str(), &Progress);
}

void RetrieveHiddenQuestions() {
  for (EFI_QUESTION_ID Question : mHiddenQuestions) {
    EFI_IFR_TYPE_VALUE Value{};
    EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
    mSecurityConfigAccess.Callback(&mSecurityConfigAccess, EFI_BROWSER_ACTION_RETRIEVE, Question,
                                   EFI_IFR_TYPE_NUM_SIZE_8, &Value, &Request);
  }
}

void OpenPage(host::Platform &P) {
  for (const Store &Entry : mStores) {
    ExtractStore(P, *Entry.Guid, Entry.Name, Entry.Size);
  }
  RetrieveHiddenQuestions();
}

void VisitPage(host::Platform &P) {
  OpenPage(P);
  RouteOneSave(P);
}

}  // namespace bench
