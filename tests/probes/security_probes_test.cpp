// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the TPM, SMX and TXT capability probes.
#include "probes/security_probes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "hostplatform/platform.h"
#include "include/guids.h"
#include "tests/probes/hob_list_builder.h"

namespace {

using hobtest::HobListBuilder;

constexpr EFI_GUID kOtherGuid = {0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}};

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    P.InstallServices();
    P.AddStandardAccounts();
    ASSERT_FALSE(P.StartDriver().Exited);
  }
  host::Platform P;
};

struct TpmByteCase {
  UINT8 Byte;
  bool Present;
};

TEST_F(ProbeTest, TpmPresenceFollowsTheAccessRegister) {
  const TpmByteCase Cases[] = {{0xFF, false}, {0x00, true}, {0xFE, true}, {0xA1, true}};
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Byte);
    P.Hardware.TpmAccessByte = Case.Byte;
    size_t Reads = P.Hardware.TpmReads;
    EXPECT_EQ(IsTpmPresent(), Case.Present ? TRUE : FALSE);
    EXPECT_EQ(P.Hardware.TpmReads, Reads + 1);
    EXPECT_EQ(TpmPresenceStatus(reinterpret_cast<const UINT8 *>(TPM_ACCESS_ADDRESS)),
              Case.Present ? EFI_SUCCESS : EFI_NOT_FOUND);
    // Any register address is read through the seam.
    UINT8 Register = Case.Byte;
    EXPECT_EQ(TpmPresenceStatus(&Register), Case.Present ? EFI_SUCCESS : EFI_NOT_FOUND);
  }
}

TEST_F(ProbeTest, SmxIsBitSixOfLeafOneEcx) {
  const struct {
    UINT32 Ecx;
    UINT8 Smx;
  } Cases[] = {{0x00000040, 1}, {0xFFFFFFBF, 0}, {0xFFFFFFFF, 1}, {0, 0}};
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Ecx);
    P.Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{0x40, 0x40, Case.Ecx, 0x40};
    EXPECT_EQ(IsSmxSupported(), Case.Smx);
  }
}

TEST_F(ProbeTest, AsmCpuidStoresEachRegisterAndSkipsNullOnes) {
  P.Hardware.Cpuid[7] = host::HardwareFake::CpuidAnswer{1, 2, 3, 4};
  UINT32 Eax = 0, Ebx = 0, Ecx = 0, Edx = 0;
  EXPECT_EQ(AsmCpuid(7, &Eax, &Ebx, &Ecx, &Edx), 7u);
  EXPECT_EQ((std::vector<UINT32>{Eax, Ebx, Ecx, Edx}), (std::vector<UINT32>{1, 2, 3, 4}));
  UINT32 OnlyEdx = 0;
  EXPECT_EQ(AsmCpuid(7, nullptr, nullptr, nullptr, &OnlyEdx), 7u);
  EXPECT_EQ(OnlyEdx, 4u);
}

TEST_F(ProbeTest, ConfigurationTableLookup) {
  int First = 0, Second = 0;
  VOID *Table = &First;
  EXPECT_EQ(GetSystemConfigurationTable(&gEfiHobListGuid, &Table), EFI_NOT_FOUND);  // no entries
  EXPECT_EQ(Table, nullptr);
  P.SetConfigurationTable(kOtherGuid, &First);
  P.SetConfigurationTable(gEfiHobListGuid, &Second);
  EXPECT_EQ(GetSystemConfigurationTable(&gEfiHobListGuid, &Table), EFI_SUCCESS);
  EXPECT_EQ(Table, &Second);
  EXPECT_EQ(GetSystemConfigurationTable(&gTxtInfoHobGuid, &Table), EFI_NOT_FOUND);
  EXPECT_EQ(Table, nullptr);
  // Of two entries with one GUID the first is found.
  int Third = 0;
  P.ConfigurationTable.push_back(EFI_CONFIGURATION_TABLE{gEfiHobListGuid, &Third});
  P.SystemTable.NumberOfTableEntries = P.ConfigurationTable.size();
  P.SystemTable.ConfigurationTable = P.ConfigurationTable.data();
  EXPECT_EQ(GetSystemConfigurationTable(&gEfiHobListGuid, &Table), EFI_SUCCESS);
  EXPECT_EQ(Table, &Second);
}

TEST(GuidHobWalk, FindsTheNamedHobAmongOthersAndMovesPastIt) {
  HobListBuilder Builder;
  Builder.Raw(0x0001, 56).Guid(kOtherGuid, {9, 9}).Raw(0x0003, 48);
  size_t FirstOffset = Builder.Offset();
  Builder.Guid(gTxtInfoHobGuid, {0, 1, 0, 1, 5});
  size_t SecondOffset = Builder.Offset();
  Builder.Raw(0x0002, 16).Guid(gTxtInfoHobGuid, {7});
  size_t EndOffset = Builder.Offset();
  std::vector<UINT64> List = Builder.Build();
  UINT8 *Base = reinterpret_cast<UINT8 *>(List.data());

  VOID *Cursor = Base;
  VOID *Data = nullptr;
  UINTN DataSize = 0;
  ASSERT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, &DataSize), EFI_SUCCESS);
  EXPECT_EQ(Data, Base + FirstOffset + 24);
  EXPECT_EQ(DataSize, 8u);  // five bytes padded to the 8-byte HOB length
  EXPECT_EQ(Cursor, Base + SecondOffset);

  ASSERT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, nullptr), EFI_SUCCESS);
  EXPECT_EQ(static_cast<UINT8 *>(Data)[0], 7);
  EXPECT_EQ(Cursor, Base + EndOffset);

  EXPECT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ(Cursor, Base + EndOffset);
}

TEST(GuidHobWalk, MissingHobLeavesTheCursorOnTheEndHob) {
  HobListBuilder Builder;
  Builder.Guid(kOtherGuid, {1}).Raw(0x0006, 32);
  size_t EndOffset = Builder.Offset();
  std::vector<UINT64> List = Builder.Build();
  VOID *Cursor = List.data();
  VOID *Data = nullptr;
  EXPECT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ(Cursor, reinterpret_cast<UINT8 *>(List.data()) + EndOffset);
  EXPECT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, nullptr, nullptr), EFI_INVALID_PARAMETER);
}

// Lengths that would loop for ever or leave the list end the walk on that HOB.
TEST(GuidHobWalk, MalformedHobLengthEndsTheWalk) {
  const struct {
    UINT16 Type;
    UINT16 Length;
  } Cases[] = {{0x0001, 0}, {0x0001, 4}, {0x0001, 12}, {EFI_HOB_TYPE_GUID_EXTENSION, 0},
               {EFI_HOB_TYPE_GUID_EXTENSION, 16}, {EFI_HOB_TYPE_GUID_EXTENSION, 30}};
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Length);
    HobListBuilder Builder;
    Builder.Raw(0x0003, 16);
    size_t BadOffset = Builder.Offset();
    Builder.Raw(Case.Type, Case.Length).Guid(gTxtInfoHobGuid, {0, 1, 0, 1});
    std::vector<UINT64> List = Builder.Build();
    VOID *Cursor = List.data();
    VOID *Data = nullptr;
    EXPECT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
    EXPECT_EQ(Cursor, reinterpret_cast<UINT8 *>(List.data()) + BadOffset);
    EXPECT_EQ(GetNextGuidHob(&Cursor, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  }
}

// The rule's six tests in order; a failing one stops the evaluation.
TEST_F(ProbeTest, TxtCapabilityRule) {
  struct Case {
    const char *Name;
    UINT32 Ecx;
    UINT8 TpmByte;
    bool HobList;
    bool TxtHob;
    std::vector<UINT8> Data;
    bool Capable;
    size_t TpmReads;  // 0 when the evaluation stopped at the SMX test
  };
  const Case Cases[] = {
      {"all six hold", 0x40, 0xA1, true, true, {0, 1, 0, 1}, true, 1},
      {"all bytes one", 0x40, 0x00, true, true, {1, 1, 1, 1, 1, 1, 1, 1}, true, 1},
      {"no SMX", 0xFFFFFFBF, 0xA1, true, true, {0, 1, 0, 1}, false, 0},
      {"no TPM", 0x40, 0xFF, true, true, {0, 1, 0, 1}, false, 1},
      {"no HOB list", 0x40, 0xA1, false, true, {0, 1, 0, 1}, false, 1},
      {"no TXT HOB", 0x40, 0xA1, true, false, {0, 1, 0, 1}, false, 1},
      {"byte 3 not one", 0x40, 0xA1, true, true, {1, 1, 1, 0}, false, 1},
      {"byte 1 not one", 0x40, 0xA1, true, true, {1, 0, 1, 1}, false, 1},
      {"byte 3 is two", 0x40, 0xA1, true, true, {0, 1, 0, 2}, false, 1},
      {"TXT HOB without data bytes", 0x40, 0xA1, true, true, {}, false, 1},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    host::Platform &Active = P;
    Active.Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{0, 0, C.Ecx, 0};
    Active.Hardware.TpmAccessByte = C.TpmByte;
    Active.Hardware.TpmReads = 0;
    HobListBuilder Builder;
    Builder.Handoff().Guid(kOtherGuid, {1, 1, 1, 1});
    if (C.TxtHob) {
      Builder.Guid(gTxtInfoHobGuid, C.Data);
    }
    if (C.TxtHob && C.Data.empty()) {
      // The HOB that follows has 1 at its bytes 1 and 3 (type 0x0101,
      // length 0x0108): read as TXT data they would pass the rule.
      Builder.Raw(0x0101, 0x0108);
    }
    std::vector<UINT64> List;
    Builder.BuildInto(List);
    P.SetConfigurationTable(gEfiHobListGuid, C.HobList ? List.data() : nullptr);
    EXPECT_EQ(EvaluateTxtCapability(), C.Capable ? TRUE : FALSE);
    EXPECT_EQ(Active.Hardware.TpmReads, C.TpmReads);
  }
}

// A HOB list says where it ends only through its PHIT HOB. The rule searches
// up to that end and reads nothing at or after it: a list whose end HOB is
// missing (the vector ends right after the last HOB, so AddressSanitizer
// reports any read past it), or whose HOB reaches past the end, is walked
// safely; a list without a PHIT HOB is not used.
TEST_F(ProbeTest, TxtRuleSearchesOnlyUpToTheEndThePhitHobGives) {
  struct Case {
    const char *Name;
    bool Handoff;
    bool EndHob;
    bool TxtHob;
    int EndAt;  // EfiEndOfHobList: 0 the end of the list, 1 the TXT HOB, 2 inside the last HOB
    bool Capable;
  };
  const Case Cases[] = {
      {"end HOB present", true, true, true, 0, true},
      {"no end HOB, TXT HOB last", true, false, true, 0, true},
      {"no end HOB, no TXT HOB", true, false, false, 0, false},
      {"list ends before the TXT HOB", true, true, true, 1, false},
      {"the last HOB reaches past the end", true, false, false, 2, false},
      {"no PHIT HOB", false, true, true, 0, false},
  };
  P.Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{0, 0, 0x40, 0};
  P.Hardware.TpmAccessByte = 0xA1;
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    HobListBuilder Builder;
    if (C.Handoff) Builder.Handoff();
    Builder.Guid(kOtherGuid, {1, 1, 1, 1}).Raw(0x0003, 40);
    size_t TxtAt = Builder.Offset();
    if (C.TxtHob) Builder.Guid(gTxtInfoHobGuid, {0, 1, 0, 1});
    size_t LastAt = Builder.Offset();
    Builder.Guid(kOtherGuid, std::vector<UINT8>(16, 1));
    std::vector<UINT64> List;
    Builder.BuildInto(List, C.EndHob);
    UINT8 *Base = reinterpret_cast<UINT8 *>(List.data());
    if (C.EndAt != 0) {
      UINT64 End = reinterpret_cast<UINT64>(Base + (C.EndAt == 1 ? TxtAt : LastAt + 16));
      std::memcpy(Base + 48, &End, sizeof(End));
    }
    P.SetConfigurationTable(gEfiHobListGuid, List.data());
    EXPECT_EQ(EvaluateTxtCapability(), C.Capable ? TRUE : FALSE);
  }
}

TEST(GuidHobWalk, ABoundedWalkStopsAtTheEndOfTheList) {
  HobListBuilder Builder;
  Builder.Handoff().Guid(gTxtInfoHobGuid, {1});
  size_t SecondAt = Builder.Offset();
  Builder.Raw(0x0002, 16);
  size_t EndAt = Builder.Offset();
  std::vector<UINT64> List;
  Builder.BuildInto(List, false);
  UINT8 *Base = reinterpret_cast<UINT8 *>(List.data());
  ASSERT_EQ(GetHobListEnd(Base), Base + EndAt);

  VOID *Cursor = Base;
  VOID *Data = nullptr;
  UINTN DataSize = 0;
  ASSERT_EQ(GetNextGuidHobInList(&Cursor, Base + EndAt, &gTxtInfoHobGuid, &Data, &DataSize), EFI_SUCCESS);
  EXPECT_EQ(Cursor, Base + SecondAt);
  EXPECT_EQ(DataSize, 8u);
  // No further TXT HOB: the cursor ends on the list's end, where no HOB is.
  EXPECT_EQ(GetNextGuidHobInList(&Cursor, Base + EndAt, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ(Cursor, Base + EndAt);
  EXPECT_EQ(GetNextGuidHobInList(&Cursor, Base + EndAt, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ(Cursor, Base + EndAt);
  // An end that cuts a HOB stops the walk on that HOB; no end at all is refused.
  Cursor = Base + SecondAt;
  EXPECT_EQ(GetNextGuidHobInList(&Cursor, Base + SecondAt + 12, &gTxtInfoHobGuid, &Data, nullptr), EFI_NOT_FOUND);
  EXPECT_EQ(Cursor, Base + SecondAt);
  EXPECT_EQ(GetNextGuidHobInList(&Cursor, nullptr, &gTxtInfoHobGuid, &Data, nullptr), EFI_INVALID_PARAMETER);
  // The PHIT HOB must come first and be whole.
  HobListBuilder NoHandoff;
  std::vector<UINT64> Other = NoHandoff.Raw(EFI_HOB_TYPE_HANDOFF, 48).Build();
  EXPECT_EQ(GetHobListEnd(Other.data()), nullptr);
}

}  // namespace
