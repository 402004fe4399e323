// SPDX-License-Identifier: BSD-2-Clause-Patent
// Entry point: constructor list stop rule, exit codes, and the small
// primitives the start-up code relies on.
#include <gtest/gtest.h>

#include <vector>

#include "entry/driver_entry.h"
#include "hostplatform/platform.h"
#include "support/image_memory.h"
#include "support/service_context.h"

namespace {

std::vector<int> Calls;
INT32 ReturnsZeroA() { Calls.push_back(1); return 0; }
INT32 ReturnsSeven() { Calls.push_back(2); return 7; }
INT32 ReturnsZeroB() { Calls.push_back(3); return 0; }

TEST(LibraryConstructorList, StopsAtFirstNonzeroAndSkipsNullSlots) {
  Calls.clear();
  const LIBRARY_CONSTRUCTOR List[] = {ReturnsZeroA, nullptr, ReturnsSeven, ReturnsZeroB};
  EXPECT_EQ(RunLibraryConstructorList(List, List + 4), 7);
  EXPECT_EQ(Calls, (std::vector<int>{1, 2}));
}

TEST(LibraryConstructorList, EmptyOrInvertedBoundsCallNothing) {
  Calls.clear();
  const LIBRARY_CONSTRUCTOR List[] = {ReturnsSeven};
  EXPECT_EQ(RunLibraryConstructorList(List, List), 0);
  EXPECT_EQ(RunLibraryConstructorList(List + 1, List), 0);
  EXPECT_TRUE(Calls.empty());
}

TEST(HookList, CallsEveryNonNullSlotAndToleratesNullBounds) {
  Calls.clear();
  static const LIBRARY_HOOK Hooks[] = {[] { Calls.push_back(1); }, nullptr, [] { Calls.push_back(2); }};
  RunHookList(Hooks, Hooks + 3);
  RunHookList(nullptr, Hooks + 3);
  RunHookList(Hooks, nullptr);
  EXPECT_EQ(Calls, (std::vector<int>{1, 2}));
}

TEST(DriverEntry, WithoutLoadedImageReturnsUnsupportedAndRunsNothingElse) {
  host::Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  P.InstallLoadedImage = false;
  auto Result = P.StartDriver();
  EXPECT_FALSE(Result.Exited);
  EXPECT_EQ(Result.Returned, EFI_UNSUPPORTED);
  EXPECT_TRUE(P.HiiDatabase.Lists.empty());
  EXPECT_TRUE(P.Log.All().empty());  // no service was called, no Exit
}

TEST(DriverEntry, RecordsTheFirmwareTablesAndStaysResidentOnSuccess) {
  host::Platform P;
  P.InstallServices();
  P.AddStandardAccounts();
  auto Result = P.StartDriver();
  ASSERT_FALSE(Result.Exited);
  EXPECT_EQ(Result.Returned, EFI_SUCCESS);
  EXPECT_EQ(gImageHandle, P.ImageHandle);
  EXPECT_EQ(gST, &P.SystemTable);
  EXPECT_EQ(gBS, &P.BootServices);
  EXPECT_EQ(gRT, &P.RuntimeServices);
  EXPECT_EQ(mLoadedImage, &P.LoadedImage);
}

// Runs CompleteDriverEntry inside an image so that Exit has somewhere to go.
EFI_STATUS CompletionStatus;
EFI_STATUS EFIAPI CompleteWith(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  gImageHandle = ImageHandle;
  gBS = SystemTable->BootServices;
  return CompleteDriverEntry(CompletionStatus);
}

struct ExitCase {
  EFI_STATUS DxeMainStatus;
  bool Exits;
  EFI_STATUS ExitStatus;
};

// Printed by its fields: gtest's fallback would print the padding bytes too.
void PrintTo(const ExitCase &Case, std::ostream *Out) {
  *Out << std::hex << "DxeMain 0x" << Case.DxeMainStatus << (Case.Exits ? ", exits with 0x" : ", returns 0x")
       << Case.ExitStatus << std::dec;
}

class EntryCompletion : public ::testing::TestWithParam<ExitCase> {};

TEST_P(EntryCompletion, ExitsWithTheLowHalfOfAnyNonzeroStatus) {
  host::Platform P;
  CompletionStatus = GetParam().DxeMainStatus;
  auto Result = P.StartImage(CompleteWith);
  EXPECT_EQ(Result.Exited, GetParam().Exits);
  if (GetParam().Exits) {
    EXPECT_EQ(Result.ExitStatus, GetParam().ExitStatus);
  } else {
    EXPECT_EQ(Result.Returned, EFI_SUCCESS);
  }
}

INSTANTIATE_TEST_SUITE_P(Statuses, EntryCompletion,
                         ::testing::Values(ExitCase{EFI_SUCCESS, false, 0}, ExitCase{EFI_OUT_OF_RESOURCES, true, 9},
                                           ExitCase{EFI_NOT_FOUND, true, 14}, ExitCase{EFI_WARN_UNKNOWN_GLYPH, true, 1},
                                           // A low half with its top bit set is sign-extended.
                                           ExitCase{0x80000000FFFFFFFFULL, true, 0xFFFFFFFFFFFFFFFFULL}));

TEST(ImageMemory, AllocateImageDataPoolUsesTheImageDataTypeAndNeedsTheConstructor) {
  host::Platform P;
  gBS = &P.BootServices;
  mLoadedImage = nullptr;
  EXPECT_EQ(AllocateImageDataPool(16), nullptr);
  EXPECT_EQ(P.Memory.Attempts(), 0u);

  P.LoadedImage.ImageDataType = EfiLoaderData;
  mLoadedImage = &P.LoadedImage;
  VOID *Block = AllocateImageDataPool(16);
  ASSERT_NE(Block, nullptr);
  EXPECT_EQ(P.Memory.BlockType(Block), EfiLoaderData);
  FreePoolIfPresent(Block);
  EXPECT_EQ(P.Memory.LiveBlocks(), 0u);

  P.Memory.FailNthAllocation(1);
  EXPECT_EQ(AllocateImageDataPool(16), nullptr);
}

TEST(ImageMemory, FreePoolIfPresentIgnoresNull) {
  host::Platform P;
  gBS = &P.BootServices;
  FreePoolIfPresent(nullptr);
  EXPECT_EQ(P.Memory.BadFrees(), 0u);
  gBS = nullptr;
  FreePoolIfPresent(reinterpret_cast<VOID *>(0x1000));  // no boot services: nothing is called
}

TEST(ImageMemory, InternalMemMoveHandlesOverlapInBothDirections) {
  UINT8 Up[] = {1, 2, 3, 4, 5, 0};
  EXPECT_EQ(InternalMemMove(Up + 1, Up, 4), Up + 1);
  EXPECT_EQ(std::vector<UINT8>(Up, Up + 6), (std::vector<UINT8>{1, 1, 2, 3, 4, 0}));

  UINT8 Down[] = {0, 1, 2, 3, 4, 5};
  InternalMemMove(Down, Down + 1, 4);
  EXPECT_EQ(std::vector<UINT8>(Down, Down + 6), (std::vector<UINT8>{1, 2, 3, 4, 4, 5}));

  UINT8 Untouched[] = {9, 9};
  InternalMemMove(Untouched, Untouched + 1, 0);
  EXPECT_EQ(Untouched[0], 9);
}

}  // namespace
