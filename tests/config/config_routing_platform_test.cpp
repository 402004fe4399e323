// SPDX-License-Identifier: BSD-2-Clause-Patent
// The host platform's configuration routing, which the driver is tested against.
#include <gtest/gtest.h>

#include "tests/config/config_test_support.h"

namespace {

using namespace cfgtest;

class RoutingServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { P.InstallServices(); }
  EFI_HII_CONFIG_ROUTING_PROTOCOL *Routing() { return &P.ConfigRouting.Protocol; }
  host::Platform P;
  const std::u16string Hdr = Header(gSystemConfigurationGuid, u"System");
};

TEST_F(RoutingServiceTest, BlockToConfigWritesFieldsLastByteFirst) {
  UINT8 Block[8] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
  std::u16string Request = Header(gSystemConfigurationGuid, u"System", NameForm::Hex, true) +
                           u"&OFFSET=1&WIDTH=2&OFFSET=0004&WIDTH=0004";
  EFI_STRING Config = nullptr, Progress = nullptr;
  ASSERT_EQ(Routing()->BlockToConfig(Routing(), Request.c_str(), Block, sizeof(Block), &Config, &Progress),
            EFI_SUCCESS);
  EXPECT_EQ(std::u16string(Config), Hdr + u"&OFFSET=1&WIDTH=2&VALUE=5432&OFFSET=0004&WIDTH=0004&VALUE=fedcba98");
  EXPECT_EQ(Progress, Request.c_str() + Request.size());
  EXPECT_TRUE(P.Memory.Owns(Config));
  P.Memory.Free(Config);
}

// The answers below are those the firmware's own routing service gives to
// the same strings (firmware.parity_host_platform_agrees compares the two).
TEST_F(RoutingServiceTest, BlockToConfigCases) {
  UINT8 Block[4] = {0x10, 0x32, 0x54, 0x76};
  const std::u16string One = RequestElement(0, 1);
  const std::u16string PlainHdd = Header(gHddPasswordStatusVarGuid, u"HDD_Password_Status", NameForm::Plain);
  const struct {
    const char *Name;
    std::u16string Request;
    EFI_STATUS Status;
    size_t Progress;
    std::u16string Answer;  // on success
  } Cases[] = {
      {"header only", Hdr, EFI_SUCCESS, Hdr.size(), Hdr},
      {"width 0 answers an empty value", Hdr + RequestElement(2, 0), EFI_SUCCESS,
       Hdr.size() + RequestElement(2, 0).size(), Hdr + u"&OFFSET=0002&WIDTH=0000&VALUE="},
      {"a final '&' is kept", Hdr + One + u"&", EFI_SUCCESS, Hdr.size() + One.size() + 1, Hdr + One + u"&VALUE=10&"},
      {"other characters count as digit 0", Hdr + u"&OFFSET=g&WIDTH=1", EFI_SUCCESS, Hdr.size() + 17,
       Hdr + u"&OFFSET=g&WIDTH=1&VALUE=10"},
      {"plain NAME: its hex letters lowered", PlainHdd + One, EFI_SUCCESS, PlainHdd.size() + One.size(),
       Echoed(PlainHdd) + One + u"&VALUE=10"},
      {"no header", u"OFFSET=0&WIDTH=1", EFI_INVALID_PARAMETER, 0, u""},
      {"no PATH", u"GUID=00&NAME=00&OFFSET=0&WIDTH=1", EFI_INVALID_PARAMETER, 0, u""},
      {"past the block: just after its WIDTH", Hdr + One + RequestElement(3, 2) + One, EFI_DEVICE_ERROR,
       Hdr.size() + 2 * One.size(), u""},
      {"offset past the block", Hdr + RequestElement(5, 1), EFI_DEVICE_ERROR, Hdr.size() + One.size(), u""},
      {"not a block element", Hdr + One + u"&LABEL=1", EFI_INVALID_PARAMETER, Hdr.size() + One.size(), u""},
      {"two '&'", Hdr + One + u"&" + One, EFI_INVALID_PARAMETER, Hdr.size() + One.size(), u""},
      {"no WIDTH: at the element", Hdr + u"&OFFSET=0", EFI_INVALID_PARAMETER, Hdr.size(), u""},
      {"an empty WIDTH", Hdr + u"&OFFSET=0&WIDTH=", EFI_INVALID_PARAMETER, Hdr.size(), u""},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EFI_STRING Config = nullptr, Progress = nullptr;
    size_t Live = P.Memory.LiveBytes();
    EXPECT_EQ(Routing()->BlockToConfig(Routing(), Case.Request.c_str(), Block, sizeof(Block), &Config, &Progress),
              Case.Status);
    EXPECT_EQ(Progress - Case.Request.c_str(), static_cast<ptrdiff_t>(Case.Progress));
    if (Case.Status == EFI_SUCCESS) {
      EXPECT_EQ(std::u16string(Config), Case.Answer);
      P.Memory.Free(Config);
    } else {
      EXPECT_EQ(Config, nullptr);
    }
    EXPECT_EQ(P.Memory.LiveBytes(), Live);
  }
}

TEST_F(RoutingServiceTest, ConfigToBlockStoresValueLastDigitsFirst) {
  UINT8 Block[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  std::u16string Response = Hdr + u"&OFFSET=0001&WIDTH=0002&VALUE=A1B2&OFFSET=4&WIDTH=2&VALUE=7";
  UINTN Size = sizeof(Block);
  EFI_STRING Progress = nullptr;
  ASSERT_EQ(Routing()->ConfigToBlock(Routing(), Response.c_str(), Block, &Size, &Progress), EFI_SUCCESS);
  // Byte 5 is beyond what the one-digit VALUE gives: not defined (0xAF).
  EXPECT_EQ(std::vector<UINT8>(Block, Block + 6), (std::vector<UINT8>{0xEE, 0xB2, 0xA1, 0xEE, 0x07, 0xAF}));
  EXPECT_EQ(Size, 5u);  // index of the last byte changed
  EXPECT_EQ(Progress, Response.c_str() + Response.size());
}

// Elements that are stored although they do not fit the field as written.
TEST_F(RoutingServiceTest, ConfigToBlockLenientValues) {
  const struct {
    const char *Name;
    std::u16string Elements;
    std::vector<UINT8> Block;
    UINTN Size;
  } Cases[] = {
      {"a VALUE longer than the width keeps its low bytes", u"&OFFSET=0&WIDTH=1&VALUE=123",
       {0x23, 0xEE, 0xEE, 0xEE}, 0},
      {"other characters count as digit 0", u"&OFFSET=1&WIDTH=1&VALUE=1x", {0xEE, 0x10, 0xEE, 0xEE}, 1},
      {"width 0 stores nothing", u"&OFFSET=3&WIDTH=1&VALUE=44&OFFSET=0&WIDTH=0&VALUE=00",
       {0xEE, 0xEE, 0xEE, 0x44}, ~static_cast<UINTN>(0)},  // 0 + 0 - 1
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    UINT8 Block[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    std::u16string Response = Hdr + Case.Elements;
    UINTN Size = sizeof(Block);
    EFI_STRING Progress = nullptr;
    EXPECT_EQ(Routing()->ConfigToBlock(Routing(), Response.c_str(), Block, &Size, &Progress), EFI_SUCCESS);
    EXPECT_EQ(std::vector<UINT8>(Block, Block + 4), Case.Block);
    EXPECT_EQ(Size, Case.Size);
    EXPECT_EQ(Progress, Response.c_str() + Response.size());
  }
}

// A field reaching outside is skipped, the rest applied, and the size that
// would hold every field comes back.
TEST_F(RoutingServiceTest, ConfigToBlockFieldsOutsideTheBlock) {
  UINT8 Block[4] = {};
  std::u16string Response = Hdr + ResponseElement(0, {9}) + ResponseElement(3, {1, 2}) + ResponseElement(6, {3}) +
                            ResponseElement(1, {0x44});
  UINTN Size = sizeof(Block);
  EFI_STRING Progress = nullptr;
  EXPECT_EQ(Routing()->ConfigToBlock(Routing(), Response.c_str(), Block, &Size, &Progress), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(std::vector<UINT8>(Block, Block + 4), (std::vector<UINT8>{9, 0x44, 0, 0}));
  EXPECT_EQ(Size, 7u);
  EXPECT_EQ(Progress, Response.c_str() + Response.size());
}

TEST_F(RoutingServiceTest, ConfigToBlockErrorsKeepEarlierFields) {
  const struct {
    const char *Name;
    std::u16string Elements;
  } Cases[] = {
      {"no value", RequestElement(0, 1)},
      {"empty value", RequestElement(0, 1) + u"&VALUE="},
      {"a final '&'", u"&"},
      {"not a block element", u"&LABEL=1"},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    UINT8 Block[4] = {};
    std::u16string Response = Hdr + ResponseElement(0, {9}) + Case.Elements;
    UINTN Size = sizeof(Block);
    EFI_STRING Progress = nullptr;
    EXPECT_EQ(Routing()->ConfigToBlock(Routing(), Response.c_str(), Block, &Size, &Progress), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Progress - Response.c_str(), static_cast<ptrdiff_t>(Hdr.size() + ResponseElement(0, {9}).size()));
    EXPECT_EQ(Block[0], 9);
    EXPECT_EQ(Size, sizeof(Block));
  }
}

TEST_F(RoutingServiceTest, ConfigToBlockRefusesAHeaderAlone) {
  UINT8 Block[4] = {1, 2, 3, 4};
  UINTN Size = sizeof(Block);
  EFI_STRING Progress = nullptr;
  EXPECT_EQ(Routing()->ConfigToBlock(Routing(), Hdr.c_str(), Block, &Size, &Progress), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Progress, Hdr.c_str() + Hdr.size());
  EXPECT_EQ(std::vector<UINT8>(Block, Block + 4), (std::vector<UINT8>{1, 2, 3, 4}));
  EXPECT_EQ(Size, sizeof(Block));
}

}  // namespace
