// SPDX-License-Identifier: BSD-2-Clause-Patent
// Start-up when the handle database refuses a block the driver allocated for
// it: the block goes back to the pool, and only the blocks the driver keeps
// for the life of boot services stay allocated.
#include <gtest/gtest.h>

#include "tests/hardening/driver_session.h"

namespace {

using hardening::Session;

TEST(RefusedInstall, ReleasesTheBlockThatWasNotInstalled) {
  const struct {
    const char *Name;
    const EFI_GUID *Refused;  // null: the HII database refuses the package list
    EFI_STATUS Status;
    bool Exits;               // start-up ends with the refusal
    size_t RecordsInstalled;  // form-set records on any handle
    bool PathInstalled;       // the driver handle carries its device path
  } Cases[] = {
      // The page is registered without a device path and the start-up goes on.
      {"device path", &gEfiDevicePathProtocolGuid, EFI_OUT_OF_RESOURCES, false, 1, false},
      // A warning is no refusal: the path is installed and kept.
      {"device path installed with a warning", &gEfiDevicePathProtocolGuid, EFI_WARN_UNKNOWN_GLYPH, false, 1, true},
      // The refusal ends start-up with its status.
      {"form-set record", &gQelFormSetProtocolGuid, EFI_OUT_OF_RESOURCES, true, 0, true},
      {"package list", nullptr, EFI_OUT_OF_RESOURCES, true, 0, true},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Session S;
    host::Platform &P = S.Platform();
    if (Case.Refused != nullptr) {
      P.Handles.FailNextInstall(*Case.Refused, Case.Status);
    } else {
      P.HiiDatabase.FailNewPackageList = Case.Status;
    }
    auto Result = P.StartDriver();
    EXPECT_EQ(Result.Exited, Case.Exits);
    EXPECT_EQ(P.Handles.HandlesWith(gQelFormSetProtocolGuid).size(), Case.RecordsInstalled);
    const VOID *Path = P.Handles.IsHandle(mDriverHandle)
                           ? P.Handles.InterfaceOn(mDriverHandle, gEfiDevicePathProtocolGuid) : nullptr;
    EXPECT_EQ(Path != nullptr && P.Memory.Owns(Path), Case.PathInstalled);

    std::vector<const VOID *> Kept = hardening::LongLivedBlocks(P);
    size_t KeptBytes = 0;
    for (const VOID *Block : Kept) KeptBytes += P.Memory.BlockSize(Block);
    EXPECT_EQ(P.Memory.LiveBlocks(), Kept.size());
    EXPECT_EQ(P.Memory.LiveBytes(), KeptBytes);
    EXPECT_EQ(P.Memory.BadFrees(), 0u);
  }
}

}  // namespace
