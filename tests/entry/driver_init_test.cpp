// SPDX-License-Identifier: BSD-2-Clause-Patent
// Initialisation: the order of its steps, what each failure returns and leaves
// registered, and the exact bytes of what it registers and installs.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "entry/driver_init.h"
#include "entry/unlock_form_text.h"
#include "forms/security_packages.h"
#include "forms/security_page_ids.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "support/service_context.h"

namespace {

using host::Platform;

std::vector<EFI_GUID> ProtocolsOnDriverHandle(const Platform &P) { return P.Handles.ProtocolsOn(mDriverHandle); }

bool HasProtocolAnywhere(const Platform &P, const EFI_GUID &Guid) { return !P.Handles.HandlesWith(Guid).empty(); }

struct StepFailure {
  const char *Name;
  std::function<void(Platform &)> Arrange;  // runs after the services are installed
  host::ServiceSet Services;
  EFI_STATUS ExitStatus;  // 0: start-up succeeds
  size_t ListsRegistered;
  bool ConfigAccessInstalled;
  bool FormSetRecordInstalled;
  bool UnlockFormRegistered;
  const char *DiagnosticLine;  // nullptr: none expected
};

host::ServiceSet Without(bool host::ServiceSet::*Member) {
  host::ServiceSet Set;
  Set.*Member = false;
  return Set;
}

// Attempts in start-up order: 1 handle buffer of the credential search,
// 2 package list, 3 device path, 4 form-set record, 5 UserManagerState.
std::function<void(Platform &)> FailAllocation(size_t N) {
  return [N](Platform &P) { P.Memory.FailNthAllocation(N); };
}

// Columns: name, arrangement, services, exit status, package lists registered, configuration access
// installed, form-set record installed, unlock form registered, diagnostic line.
const StepFailure kStepFailures[] = {
    {"NoHiiDatabase", nullptr, Without(&host::ServiceSet::HiiDatabase), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to locate HII Database protocol"},
    {"NoConfigRouting", nullptr, Without(&host::ServiceSet::ConfigRouting), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to locate HII Config Routing protocol"},
    {"NoFormBrowser", nullptr, Without(&host::ServiceSet::FormBrowser), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to locate Form browser 2 protocol"},
    {"NoHddPassword", nullptr, Without(&host::ServiceSet::HddPassword), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to locate Hard disk password Protocol"},
    {"NoHddPasswordUi", nullptr, Without(&host::ServiceSet::HddPasswordUi), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to locate Hard disk password UI Protocol"},
    {"NoUserManager", nullptr, Without(&host::ServiceSet::UserManager), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to Initialize Pba Variables"},
    {"NoQelUserManager", nullptr, Without(&host::ServiceSet::QelUserManager), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to Initialize Pba Variables"},
    {"NoCredentialProvider", nullptr, Without(&host::ServiceSet::CredentialProvider), 14, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to Initialize Pba Variables"},
    {"CredentialSearchOutOfMemory", FailAllocation(1), host::ServiceSet(), 9, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to Initialize Pba Variables"},
    {"PackageListOutOfMemory", FailAllocation(2), host::ServiceSet(), 9, 0, false, false, false, nullptr},
    {"NewPackageListRefused", [](Platform &P) { P.HiiDatabase.FailNewPackageList = EFI_OUT_OF_RESOURCES; },
     host::ServiceSet(), 9, 0, false, false, false,
     "ERROR. Quorvane.DxeMain: Unable to add HII data. Exit (Out of Resources)"},
    {"ConfigAccessRefused",
     [](Platform &P) { P.Handles.FailNextInstall(gEfiHiiConfigAccessProtocolGuid, EFI_ACCESS_DENIED); },
     host::ServiceSet(), 15, 1, false, false, false,
     "ERROR. Quorvane.DxeMain: Failed to install Config Access. Exit (Access Denied)"},
    {"FormSetRecordOutOfMemory", FailAllocation(4), host::ServiceSet(), 9, 1, true, false, false,
     "ERROR. Quorvane.DxeMain: Out of memory"},
    {"FormSetRecordRefused",
     [](Platform &P) { P.Handles.FailNextInstall(gQelFormSetProtocolGuid, EFI_INVALID_PARAMETER); },
     host::ServiceSet(), 2, 1, true, false, false,
     "ERROR. Quorvane.DxeMain: Unable to install Qel Form Set protocol. Exit (Invalid Parameter)"},
    {"UserManagerGoneAfterTheFormSetRecord", [](Platform &P) { P.Handles.FailNthLocate(gEfiUserManagerProtocolGuid, 2); },
     host::ServiceSet(), 14, 1, true, true, false,
     // %x prints the low 32 bits of the status
     "ERROR. Quorvane.DxeMain: LocateProtocol (gEfiUserManagerProtocolGuid) returned E"},
    {"QelUserManagerGoneAfterTheFormSetRecord", [](Platform &P) { P.Handles.FailNthLocate(gQelUserManagerProtocolGuid, 2); },
     host::ServiceSet(), 14, 1, true, true, false,
     "ERROR. Quorvane.DxeMain: LocateProtocol (gQelUserManagerProtocolGuid) returned Not Found"},
    {"RegisterUnlockFormRefused", [](Platform &P) { P.QelUserManager.RegisterUnlockFormStatus = EFI_UNSUPPORTED; },
     host::ServiceSet(), 3, 1, true, true, false,
     "ERROR. Quorvane.DxeMain: RegisterUnlockForm failed, Status = Unsupported"},
    {"AllStepsSucceed", nullptr, host::ServiceSet(), 0, 1, true, true, true, nullptr},
};

void PrintTo(const StepFailure &Case, std::ostream *Out) { *Out << Case.Name; }

class InitialisationStep : public ::testing::TestWithParam<StepFailure> {};

TEST_P(InitialisationStep, FailureReturnsItsStatusAndKeepsEarlierRegistrations) {
  const StepFailure &Case = GetParam();
  Platform P;
  P.InstallServices(Case.Services);
  P.AddStandardAccounts();
  if (Case.Arrange) {
    Case.Arrange(P);
  }
  auto Result = P.StartDriver();

  if (Case.ExitStatus == 0) {
    EXPECT_FALSE(Result.Exited);
    EXPECT_EQ(Result.Returned, EFI_SUCCESS);
  } else {
    EXPECT_TRUE(Result.Exited);
    EXPECT_EQ(Result.ExitStatus, Case.ExitStatus);
  }
  EXPECT_EQ(P.HiiDatabase.Lists.size(), Case.ListsRegistered);
  EXPECT_EQ(HasProtocolAnywhere(P, gEfiHiiConfigAccessProtocolGuid), Case.ConfigAccessInstalled);
  EXPECT_EQ(HasProtocolAnywhere(P, gQelFormSetProtocolGuid), Case.FormSetRecordInstalled);
  EXPECT_EQ(P.QelUserManager.Unlock.Registered, Case.UnlockFormRegistered);
  std::vector<std::string> Lines = P.ConsoleLines();
  if (Case.DiagnosticLine != nullptr) {
    EXPECT_EQ(Lines, std::vector<std::string>{Case.DiagnosticLine});
  } else {
    EXPECT_TRUE(Lines.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, InitialisationStep, ::testing::ValuesIn(kStepFailures),
                         [](const auto &Info) { return std::string(Info.param.Name); });

class StartedDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    P.InstallServices();
    P.AddStandardAccounts();
    P.LoadedImage.ImageDataType = EfiLoaderData;  // tells the image's own pool apart
    auto Result = P.StartDriver();
    ASSERT_FALSE(Result.Exited);
    ASSERT_EQ(Result.Returned, EFI_SUCCESS);
  }
  Platform P;
};

TEST_F(StartedDriver, RegistersTheWholePackageListStringsFirst) {
  ASSERT_EQ(P.HiiDatabase.Lists.size(), 1u);
  const std::vector<UINT8> &List = P.HiiDatabase.Lists[0].Bytes;
  ASSERT_EQ(List.size(), 26212u);
  EXPECT_EQ(std::memcmp(List.data(), &gSecurityPackageListGuid, sizeof(EFI_GUID)), 0);
  UINT32 Length;
  std::memcpy(&Length, List.data() + 16, 4);
  EXPECT_EQ(Length, 26212u);
  EXPECT_EQ(P.HiiDatabase.Lists[0].DriverHandle, mDriverHandle);
  EXPECT_EQ(P.HiiDatabase.Lists[0].Handle, mHiiHandle);

  // Walk the packages: four string packages, the forms package, the end package.
  std::vector<UINT8> Types;
  size_t Offset = sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  while (Offset + 4 <= List.size()) {
    UINT32 Header;
    std::memcpy(&Header, List.data() + Offset, 4);
    Types.push_back((UINT8)(Header >> 24));
    ASSERT_GE(Header & 0xFFFFFF, 4u);
    Offset += Header & 0xFFFFFF;
  }
  EXPECT_EQ(Offset, List.size());
  EXPECT_EQ(Types, (std::vector<UINT8>{4, 4, 4, 4, 2, 0xDF}));
  EXPECT_EQ(std::vector<UINT8>(List.end() - 4, List.end()), (std::vector<UINT8>{0x04, 0x00, 0x00, 0xDF}));
  // The packages are copied from the arrays without their length prefixes.
  EXPECT_EQ(std::memcmp(List.data() + 20, gSecurityStringPackages + 4, sizeof(gSecurityStringPackages) - 4), 0);
  EXPECT_EQ(std::memcmp(List.data() + 20 + sizeof(gSecurityStringPackages) - 4, gSecurityFormPackage + 4,
                        sizeof(gSecurityFormPackage) - 4),
            0);
  // The working copy of the list was released; the image's long-lived blocks remain.
  EXPECT_EQ(P.Memory.LiveBlocks(EfiBootServicesData), 1u);  // UserManagerState
}

TEST_F(StartedDriver, DriverHandleCarriesPathConfigAccessAndRecordInThatOrder) {
  std::vector<EFI_GUID> Protocols = ProtocolsOnDriverHandle(P);
  ASSERT_EQ(Protocols.size(), 3u);
  EXPECT_TRUE(host::SameGuid(Protocols[0], gEfiDevicePathProtocolGuid));
  EXPECT_TRUE(host::SameGuid(Protocols[1], gEfiHiiConfigAccessProtocolGuid));
  EXPECT_TRUE(host::SameGuid(Protocols[2], gQelFormSetProtocolGuid));

  auto *Access = static_cast<EFI_HII_CONFIG_ACCESS_PROTOCOL *>(
      P.Handles.InterfaceOn(mDriverHandle, gEfiHiiConfigAccessProtocolGuid));
  EXPECT_EQ(Access, &mSecurityConfigAccess);
}

TEST_F(StartedDriver, DevicePathIsAVendorNodeWithTheMonotonicCount) {
  const UINT8 *Path = static_cast<const UINT8 *>(P.Handles.InterfaceOn(mDriverHandle, gEfiDevicePathProtocolGuid));
  ASSERT_NE(Path, nullptr);
  EXPECT_EQ(P.Memory.BlockSize(Path), 32u);
  EXPECT_EQ(P.Memory.BlockType(Path), EfiLoaderData);
  std::vector<UINT8> Expected = {0x01, 0x04, 28, 0};
  const UINT8 *Guid = reinterpret_cast<const UINT8 *>(&gEfiHiiDatabaseProtocolGuid);
  Expected.insert(Expected.end(), Guid, Guid + 16);
  const UINT64 Count = 0x1000;  // the platform's first monotonic count
  const UINT8 *CountBytes = reinterpret_cast<const UINT8 *>(&Count);
  Expected.insert(Expected.end(), CountBytes, CountBytes + 8);
  Expected.insert(Expected.end(), {0x7F, 0xFF, 0x04, 0x00});
  EXPECT_EQ(std::vector<UINT8>(Path, Path + 32), Expected);
}

TEST_F(StartedDriver, FormSetRecordNamesThePackageListHandle) {
  const UINT8 *Record = static_cast<const UINT8 *>(P.Handles.InterfaceOn(mDriverHandle, gQelFormSetProtocolGuid));
  ASSERT_NE(Record, nullptr);
  EXPECT_EQ(P.Memory.BlockSize(Record), 16u);
  EXPECT_EQ(P.Memory.BlockType(Record), EfiLoaderData);
  std::vector<UINT8> Expected = {0x10, 0, 0, 0, 0x02, 0, 0, 0};
  const UINT8 *Handle = reinterpret_cast<const UINT8 *>(&mHiiHandle);
  Expected.insert(Expected.end(), Handle, Handle + 8);
  EXPECT_EQ(std::vector<UINT8>(Record, Record + 16), Expected);
}

TEST_F(StartedDriver, RegistersTheLockOutFormWithItsSevenArguments) {
  const host::UnlockFormRegistration &Unlock = P.QelUserManager.Unlock;
  ASSERT_TRUE(Unlock.Registered);
  EXPECT_EQ(Unlock.HiiHandle, mHiiHandle);
  EXPECT_TRUE(host::SameGuid(Unlock.FormSetGuid, gSecurityFormSetGuid));
  EXPECT_EQ(Unlock.FormId, 17);
  EXPECT_EQ(Unlock.PromptStringId, STR_SYSTEM_LOCKED);
  EXPECT_EQ(Unlock.TextStringId, STR_LOCKOUT_TEXT);
  EXPECT_EQ(Unlock.Callback, &UnlockFormCallback);
}

TEST_F(StartedDriver, UserManagerStateIsFiveZeroedBytes) {
  ASSERT_NE(UserManagerState, nullptr);
  EXPECT_EQ(P.Memory.BlockSize(UserManagerState), 5u);
  EXPECT_EQ(std::vector<UINT8>(UserManagerState, UserManagerState + 5), std::vector<UINT8>(5, 0));
}

TEST(Initialisation, ServicesAreLocatedInStepOrder) {
  Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  P.StartDriver();
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{"HiiDatabase.NewPackageList", "Qel.RegisterUnlockForm"}));
  // Each service by its GUID alone: no registration key.
  const EFI_GUID *Expected[] = {&gEfiHiiDatabaseProtocolGuid, &gEfiHiiConfigRoutingProtocolGuid,
                                &gEfiFormBrowser2ProtocolGuid, &gHddPasswordProtocolGuid,
                                &gHddPasswordUiProtocolGuid,   &gEfiUserManagerProtocolGuid,
                                &gQelUserManagerProtocolGuid,  &gEfiUserManagerProtocolGuid,
                                &gQelUserManagerProtocolGuid};
  ASSERT_EQ(P.Locates.size(), std::size(Expected));
  for (size_t Index = 0; Index < P.Locates.size(); Index++) {
    SCOPED_TRACE(Index);
    EXPECT_TRUE(host::SameGuid(P.Locates[Index].Protocol, *Expected[Index]));
    EXPECT_EQ(P.Locates[Index].Registration, nullptr);
  }
}

TEST(Initialisation, MissingUserManagerStateStillReportsSuccess) {
  Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  P.Memory.FailNthAllocation(5);
  auto Result = P.StartDriver();
  EXPECT_FALSE(Result.Exited);
  EXPECT_EQ(Result.Returned, EFI_SUCCESS);
  EXPECT_EQ(UserManagerState, nullptr);
}

TEST(Initialisation, WithoutADevicePathThePageLandsOnHandlesOfItsOwn) {
  Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  P.Memory.FailNthAllocation(3);  // the device path
  auto Result = P.StartDriver();
  ASSERT_FALSE(Result.Exited);
  ASSERT_EQ(P.HiiDatabase.Lists.size(), 1u);
  EXPECT_EQ(P.HiiDatabase.Lists[0].DriverHandle, nullptr);
  std::vector<EFI_HANDLE> Access = P.Handles.HandlesWith(gEfiHiiConfigAccessProtocolGuid);
  ASSERT_EQ(Access.size(), 1u);
  EXPECT_NE(Access[0], mDriverHandle);  // the configuration access went onto a new handle that is not kept
  EXPECT_NE(mDriverHandle, nullptr);    // the form-set record onto the one that is
  EXPECT_EQ(ProtocolsOnDriverHandle(P).size(), 1u);
  EXPECT_TRUE(HasProtocolAnywhere(P, gQelFormSetProtocolGuid));
}

TEST(Initialisation, TwoLoadsGetTwoDistinctDevicePaths) {
  Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  P.StartDriver();
  EFI_HANDLE First = mDriverHandle;
  P.StartDriver();
  EFI_HANDLE Second = mDriverHandle;
  ASSERT_NE(First, Second);
  const UINT8 *A = static_cast<const UINT8 *>(P.Handles.InterfaceOn(First, gEfiDevicePathProtocolGuid));
  const UINT8 *B = static_cast<const UINT8 *>(P.Handles.InterfaceOn(Second, gEfiDevicePathProtocolGuid));
  EXPECT_NE(std::memcmp(A, B, 32), 0);
}

TEST(PreparePackageList, FramesAnyArraysInArgumentOrder) {
  Platform P;
  gBS = &P.BootServices;
  const UINT8 First[] = {8, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
  const UINT8 Second[] = {6, 0, 0, 0, 0x11, 0x22};
  EFI_HII_PACKAGE_LIST_HEADER *List = PreparePackageList(2, &gSecurityFormSetGuid, First, Second);
  ASSERT_NE(List, nullptr);
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(List);
  ASSERT_EQ(List->PackageLength, 20u + 4 + 2 + 4);
  EXPECT_TRUE(host::SameGuid(List->PackageListGuid, gSecurityFormSetGuid));
  EXPECT_EQ(std::vector<UINT8>(Bytes + 20, Bytes + 30),
            (std::vector<UINT8>{0xAA, 0xBB, 0xCC, 0xDD, 0x11, 0x22, 0x04, 0x00, 0x00, 0xDF}));
  gBS->FreePool(List);

  P.Memory.FailNthAllocation(1);
  EXPECT_EQ(PreparePackageList(1, &gSecurityFormSetGuid, First), nullptr);
}

}  // namespace
