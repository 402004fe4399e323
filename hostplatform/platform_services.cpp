// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform pop-ups, platform reset and the form-browser stand-in.
#include "hostplatform/platform_services.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

namespace {

EFI_STATUS EFIAPI ShowPopUp(VOID *First, VOID *Second, UINTN LineCount, CHAR16 **Lines) {
  Platform &Owner = Platform::Active();
  TextSetupBrowserFake::PopUp PopUp{First, Second, {}};
  for (UINTN Index = 0; Lines != nullptr && Index < LineCount; Index++) {
    PopUp.Lines.push_back(Lines[Index] ? std::u16string(Lines[Index]) : std::u16string(u"<null>"));
  }
  std::string Text;
  for (const auto &Line : PopUp.Lines) {
    Text += Narrow(Line);
  }
  Owner.Log.Add("TextSetupBrowser.ShowPopUp(" + Text + ")");
  Owner.TextSetupBrowser.PopUps.push_back(std::move(PopUp));
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ResetPlatform(PLATFORM_RESET_PROTOCOL *This, UINT8 Request) {
  PlatformResetFake *Fake = reinterpret_cast<PlatformResetFake *>(This);
  Fake->Owner->Log.Add("PlatformReset.ResetPlatform(" + std::to_string(Request) + ")");
  Fake->Requests.push_back(Request);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SendForm(const EFI_FORM_BROWSER2_PROTOCOL *This, EFI_HII_HANDLE *Handle, UINTN HandleCount,
                           EFI_GUID *FormSetGuid, EFI_FORM_ID FormId, const EFI_SCREEN_DESCRIPTOR *ScreenDimensions,
                           EFI_BROWSER_ACTION_REQUEST *ActionRequest) {
  FormBrowserFake *Fake = reinterpret_cast<FormBrowserFake *>(const_cast<EFI_FORM_BROWSER2_PROTOCOL *>(This));
  Fake->Owner->Log.Add("FormBrowser.SendForm(" + std::to_string(FormId) + ")");
  const HDD_PASSWORD_UI_PROTOCOL &Ui = Fake->Owner->HddPasswordUi.Protocol;
  FormBrowserFake::SendFormCall Call{{},
                                     EFI_GUID{},
                                     FormSetGuid != nullptr,
                                     FormId,
                                     ScreenDimensions != nullptr,
                                     ActionRequest != nullptr,
                                     Ui.PasswordKind,
                                     Ui.DeviceIndex,
                                     Fake->Owner->HiiString.Text(Ui.UiHiiHandle, "en-US", Ui.DeviceNameStringId)
                                         .value_or(u"")};
  for (UINTN Index = 0; Handle != nullptr && Index < HandleCount; Index++) {
    Call.Handles.push_back(Handle[Index]);
  }
  if (FormSetGuid != nullptr) {
    Call.FormSetGuid = *FormSetGuid;
  }
  Fake->Calls.push_back(Call);
  if (ActionRequest != nullptr) {
    *ActionRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
  }
  return Fake->SendFormStatus;
}

}  // namespace

TextSetupBrowserFake::TextSetupBrowserFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.ShowPopUp = ShowPopUp;
}

PlatformResetFake::PlatformResetFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.ResetPlatform = ResetPlatform;
}

FormBrowserFake::FormBrowserFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.SendForm = SendForm;
}

}  // namespace host
