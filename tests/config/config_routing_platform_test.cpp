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

TEST_F(RoutingServiceTest, BlockToConfigErrors) {
  UINT8 Block[4] = {};
  const struct {
    const char *Name;
    std::u16string Request;
    EFI_STATUS Status;
    size_t Progress;
  } Cases[] = {
      {"header only", Hdr, EFI_SUCCESS, Hdr.size()},
      {"no header", u"OFFSET=0&WIDTH=1", EFI_INVALID_PARAMETER, 0},
      {"no PATH", u"GUID=00&NAME=00&OFFSET=0&WIDTH=1", EFI_INVALID_PARAMETER, 0},
      {"past the block", Hdr + RequestElement(0, 1) + RequestElement(3, 2), EFI_DEVICE_ERROR, Hdr.size() + RequestElement(0, 1).size()},
      {"offset past the block", Hdr + RequestElement(5, 1), EFI_DEVICE_ERROR, Hdr.size()},
      {"width 0", Hdr + RequestElement(0, 0), EFI_INVALID_PARAMETER, Hdr.size()},
      {"not a block element", Hdr + RequestElement(0, 1) + u"&LABEL=1", EFI_INVALID_PARAMETER, Hdr.size() + RequestElement(0, 1).size()},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EFI_STRING Config = nullptr, Progress = nullptr;
    size_t Live = P.Memory.LiveBytes();
    EXPECT_EQ(Routing()->BlockToConfig(Routing(), Case.Request.c_str(), Block, sizeof(Block), &Config, &Progress),
              Case.Status);
    EXPECT_EQ(Progress - Case.Request.c_str(), static_cast<ptrdiff_t>(Case.Progress));
    if (Case.Status == EFI_SUCCESS) {
      EXPECT_EQ(std::u16string(Config), Case.Request);
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
  EXPECT_EQ(std::vector<UINT8>(Block, Block + 6), (std::vector<UINT8>{0xEE, 0xB2, 0xA1, 0xEE, 0x07, 0x00}));
  EXPECT_EQ(Size, 5u);  // index of the last byte changed
  EXPECT_EQ(Progress, Response.c_str() + Response.size());
}

TEST_F(RoutingServiceTest, ConfigToBlockErrorsKeepEarlierFields) {
  const struct {
    const char *Name;
    std::u16string Elements;
    EFI_STATUS Status;
  } Cases[] = {
      {"past the block", ResponseElement(3, {1, 2}), EFI_DEVICE_ERROR},
      {"value longer than the width", u"&OFFSET=0&WIDTH=1&VALUE=123", EFI_INVALID_PARAMETER},
      {"value not hex", u"&OFFSET=0&WIDTH=1&VALUE=x1", EFI_INVALID_PARAMETER},
      {"no value", RequestElement(0, 1), EFI_INVALID_PARAMETER},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    UINT8 Block[4] = {};
    std::u16string Response = Hdr + ResponseElement(0, {9}) + Case.Elements;
    UINTN Size = sizeof(Block);
    EFI_STRING Progress = nullptr;
    EXPECT_EQ(Routing()->ConfigToBlock(Routing(), Response.c_str(), Block, &Size, &Progress), Case.Status);
    EXPECT_EQ(Progress - Response.c_str(), static_cast<ptrdiff_t>(Hdr.size() + ResponseElement(0, {9}).size()));
    EXPECT_EQ(Block[0], 9);
  }
}

}  // namespace
