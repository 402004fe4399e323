// SPDX-License-Identifier: BSD-2-Clause-Patent
// One boot of the driver on a fresh host platform, many times in one test
// process: the driver's module state is put back to its load-time values
// before each platform is built and after it is torn down, so no reference
// into an earlier platform's pool or services survives into the next run.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "callback/security_callback.h"
#include "config/reset_replacement.h"
#include "forms/security_page_ids.h"
#include "hdd/hdd_security_status.h"
#include "hostplatform/page_platform.h"
#include "hostplatform/pci_io.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "support/hii_strings.h"
#include "support/service_context.h"
#include "tests/support/driver_globals.h"
#include "tests/support/test_strings.h"

namespace hardening {

inline std::vector<UINT8> Bytes(const std::string &Text) { return std::vector<UINT8>(Text.begin(), Text.end()); }

// The platform of a full page: the page platform of the budget bench
// (hostplatform/page_platform.h) with all seven stores at their declared sizes,
// three disks on the two IDE functions of the port table and the hard-disk
// UI service's own strings.
class Session {
 public:
  Session() {
    ResetDriverGlobals();
    Owned = std::make_unique<host::Platform>();
    host::Platform &P = *Owned;
    host::PreparePagePlatform(P);
    P.Variables.Put(u"TpmStatusVar", gTpmStatusVarGuid, std::vector<UINT8>(TpmStatusVar::Size, 0));
    P.Variables.Put(u"PbaStatusVar", gPbaStatusVarGuid, std::vector<UINT8>(PbaStatusVar::Size, 0));
    P.Variables.Put(u"HDD_Password_Status", gHddPasswordStatusVarGuid,
                    std::vector<UINT8>(HDD_Password_Status::Size, 0));

    EFI_HANDLE Ide2 = host::AddController(P, host::PciControllerPath(0x1F, 2),
                                          host::PciConfigWithClass(PCI_CLASS_MASS_STORAGE, PCI_CLASS_MASS_STORAGE_IDE))
                          .Handle;
    EFI_HANDLE Ide5 = host::AddController(P, host::PciControllerPath(0x1F, 5),
                                          host::PciConfigWithClass(PCI_CLASS_MASS_STORAGE, PCI_CLASS_MASS_STORAGE_IDE))
                          .Handle;
    P.HddPassword.Devices = {
        {Ide2, const_cast<CHAR8 *>("First disk"), 0, 0, 0x0001, 0x4444},  // port 0, security supported
        {Ide2, const_cast<CHAR8 *>("Second disk"), 1, 1, 0x0003, 0x5858},  // port 3, user and master
        {Ide5, const_cast<CHAR8 *>("Third disk"), 1, 0, 0x0000, 0x0000},  // port 5, unsupported
    };
    P.HddPasswordUi.RegisterPackageList();
  }
  ~Session() {
    Owned.reset();
    ResetDriverGlobals();
  }
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  host::Platform &Platform() { return *Owned; }

  // Starts the driver and gives it the test strings as its own list (four
  // languages, STR_CHANGES_SAVED "Changes have been saved.", string kHintString a hint).
  void Start() {
    auto Result = Owned->StartDriver();
    ASSERT_FALSE(Result.Exited);
    ASSERT_EQ(Result.Returned, EFI_SUCCESS);
    mHiiHandle = testing_strings::RegisterSecurityStrings(*Owned);
    Owned->Log.Clear();
  }

 private:
  std::unique_ptr<host::Platform> Owned;
};

// The pool blocks the driver documents keeping for as long as boot services
// last: the driver handle's device path and form-set record, UserManagerState,
// the saved lock-out base text and the hard-disk lists.
inline std::vector<const VOID *> LongLivedBlocks(host::Platform &P) {
  std::vector<const VOID *> Blocks;
  auto Add = [&](const VOID *Block) {
    if (Block != nullptr && P.Memory.Owns(Block)) Blocks.push_back(Block);
  };
  if (mDriverHandle != nullptr && P.Handles.IsHandle(mDriverHandle)) {
    Add(P.Handles.InterfaceOn(mDriverHandle, gEfiDevicePathProtocolGuid));
    Add(P.Handles.InterfaceOn(mDriverHandle, gQelFormSetProtocolGuid));
  }
  Add(UserManagerState);
  Add(mOriginalStr);
  Add(mHddDeviceList);
  Add(mHddPortOfDevice);
  return Blocks;
}

}  // namespace hardening
