// SPDX-License-Identifier: BSD-2-Clause-Patent
// Small platform services: text setup browser pop-ups, platform reset, form
// browser SendForm, and the presence-only credential provider.
#pragma once
#include <string>
#include <vector>

#include "include/protocols/form_browser2.h"
#include "include/protocols/platform_services.h"

namespace host {

class Platform;

struct TextSetupBrowserFake {
  TEXT_SETUP_BROWSER_PROTOCOL Protocol;
  Platform *Owner;
  struct PopUp {
    VOID *First;
    VOID *Second;
    std::vector<std::u16string> Lines;
  };
  std::vector<PopUp> PopUps;
  explicit TextSetupBrowserFake(Platform *Owner);
};

struct PlatformResetFake {
  PLATFORM_RESET_PROTOCOL Protocol;
  Platform *Owner;
  std::vector<UINT8> Requests;
  explicit PlatformResetFake(Platform *Owner);
};

struct FormBrowserFake {
  EFI_FORM_BROWSER2_PROTOCOL Protocol;
  Platform *Owner;
  struct SendFormCall {
    std::vector<EFI_HII_HANDLE> Handles;
    EFI_GUID FormSetGuid;
    bool HasFormSetGuid;
    EFI_FORM_ID FormId;
    bool HasScreen;
    bool HasActionRequest;
    // What the hard-disk password UI service held when the form was sent:
    // the password kind, the device index and the disk name (first language).
    UINT32 PasswordKind;
    UINTN DeviceIndex;
    std::u16string DeviceName;
  };
  std::vector<SendFormCall> Calls;
  EFI_STATUS SendFormStatus = EFI_SUCCESS;
  explicit FormBrowserFake(Platform *Owner);
};

// Only its presence matters; the interface has no members the driver calls.
struct CredentialProviderFake {
  UINT64 Marker = 0x43524544;
};

}  // namespace host
