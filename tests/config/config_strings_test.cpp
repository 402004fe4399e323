// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of the configuration-header routines.
#include "config/config_strings.h"

#include <gtest/gtest.h>

#include "tests/config/config_test_support.h"

namespace {

using cfgtest::Header;
using cfgtest::NameForm;

TEST(StoreTable, SevenStoresInRequestOrder) {
  const struct {
    const char16_t *Name;
    const EFI_GUID *Guid;
    UINT16 Size;
    UINT16 VarStoreId;
  } Expected[] = {
      {u"Setup", &gSetupVariableGuid, 868, 7},          {u"TpmStatusVar", &gTpmStatusVarGuid, 82, 1},
      {u"PbaStatusVar", &gPbaStatusVarGuid, 12, 2},     {u"StatusSetupVar", &gStatusSetupVarGuid, 99, 3},
      {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, 9, 4}, {u"System", &gSystemConfigurationGuid, 21, 5},
      {u"UserManagerVar", &gUserManagerVarGuid, 5, 6},
  };
  ASSERT_EQ(VARIABLE_STORE_COUNT, 7);
  for (UINTN Index = 0; Index < VARIABLE_STORE_COUNT; Index++) {
    SCOPED_TRACE(Index);
    EXPECT_EQ(std::u16string(mVariableStores[Index].Name), Expected[Index].Name);
    EXPECT_TRUE(host::SameGuid(*VarStoreGuidTable(Index), *Expected[Index].Guid));
    EXPECT_EQ(mVariableStores[Index].DeclaredSize, Expected[Index].Size);
    EXPECT_EQ(mVariableStores[Index].VarStoreId, Expected[Index].VarStoreId);
  }
  // The Setup GUID as configuration strings carry it.
  EXPECT_EQ(cfgtest::GuidField(gSetupVariableGuid), u"abbafb4d9213de4fabb8c41cc5ad7d5d");
}

TEST(HexDigits, WholeCharactersOfBothCases) {
  const struct {
    CHAR16 Character;
    bool Digit;
    UINT8 Value;
  } Cases[] = {{u'0', true, 0},   {u'9', true, 9},    {u'A', true, 10},  {u'F', true, 15}, {u'a', true, 10},
               {u'f', true, 15},  {u'G', false, 0},   {u'g', false, 0},  {u'/', false, 0}, {u':', false, 0},
               {u'@', false, 0},  {u'`', false, 0},   {0, false, 0},     {0x0130, false, 0},
               {0xFF10, false, 0} /* full-width digit zero */,           {0x0141, false, 0} /* 'A' + 0x100 */};
  for (const auto &Case : Cases) {
    SCOPED_TRACE(static_cast<unsigned>(Case.Character));
    UINT8 Value = 0xEE;
    EXPECT_EQ(HexDigitValue(Case.Character, &Value), Case.Digit ? TRUE : FALSE);
    if (Case.Digit) {
      EXPECT_EQ(Value, Case.Value);
    }
  }
}

TEST(HexStringToBytes, LittleEndianRunOfDigits) {
  const struct {
    const char16_t *Text;
    UINTN Capacity;
    EFI_STATUS Status;
    UINTN Size;
    std::vector<UINT8> Bytes;
    UINTN Digits;
  } Cases[] = {
      {u"", 4, EFI_SUCCESS, 0, {}, 0},
      {u"&12", 4, EFI_SUCCESS, 0, {}, 0},
      {u"5", 4, EFI_SUCCESS, 1, {0x05}, 1},
      {u"abc", 4, EFI_SUCCESS, 2, {0xBC, 0x0A}, 3},
      {u"1234&OFFSET", 4, EFI_SUCCESS, 2, {0x34, 0x12}, 4},
      {u"DeadBeef", 4, EFI_SUCCESS, 4, {0xEF, 0xBE, 0xAD, 0xDE}, 8},
      {u"123456", 2, EFI_BUFFER_TOO_SMALL, 3, {}, 99},
      {u"12345", 2, EFI_BUFFER_TOO_SMALL, 3, {}, 99},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(host::Narrow(Case.Text));
    UINT8 Buffer[8];
    std::memset(Buffer, 0xEE, sizeof(Buffer));
    UINTN Size = Case.Capacity;
    UINTN Digits = 99;
    EXPECT_EQ(HexStringToBytes(Buffer, &Size, Case.Text, &Digits), Case.Status);
    EXPECT_EQ(Size, Case.Size);
    EXPECT_EQ(Digits, Case.Digits);
    EXPECT_EQ(std::vector<UINT8>(Buffer, Buffer + Case.Bytes.size()), Case.Bytes);
    EXPECT_EQ(Buffer[Case.Bytes.size()], 0xEE) << "wrote beyond the bytes produced";
  }
  UINT8 Byte;
  UINTN Size = 1;
  EXPECT_EQ(HexStringToBytes(&Byte, &Size, u"7f", nullptr), EFI_SUCCESS);  // digit count not wanted
  EXPECT_EQ(Byte, 0x7F);
}

TEST(ConfigHeader, MatchesTheGuidItNames) {
  const std::u16string Setup = Header(gSetupVariableGuid, u"Setup");
  std::u16string Bad = Setup;
  Bad[12] = u'g';
  std::u16string NoAmpersand = Setup;
  NoAmpersand[37] = u'#';
  std::u16string Shifted = u"GUID=0" + Setup.substr(5);  // 33 digits: '&' no longer at 37
  const struct {
    const char *Name;
    std::u16string Text;
    bool Matches;
  } Cases[] = {
      {"lower-case digits", Setup, true},
      {"upper-case digits", Header(gSetupVariableGuid, u"Setup", NameForm::Hex, true), true},
      {"exactly 44 characters", Setup.substr(0, 44), true},
      {"43 characters", Setup.substr(0, 43), false},
      {"a character that is not a digit", Bad, false},
      {"no '&' at 37", NoAmpersand, false},
      {"33 digits", Shifted, false},
      {"another store's GUID", Header(gSystemConfigurationGuid, u"Setup"), false},
      {"empty", u"", false},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(ConfigHdrMatchesGuid(Case.Text.c_str(), &gSetupVariableGuid), Case.Matches ? TRUE : FALSE);
  }
  for (const auto &Store : cfgtest::kStores) {
    EXPECT_TRUE(ConfigHdrNamesStore(Header(*Store.Guid, u"x").c_str()));
  }
  constexpr EFI_GUID Other = {0x4DFBBAAB, 0x1392, 0x4FDE, {0xAB, 0xB8, 0xC4, 0x1C, 0xC5, 0xAD, 0x7D, 0x5E}};
  EXPECT_FALSE(ConfigHdrNamesStore(Header(Other, u"Setup").c_str()));
}

TEST(ConfigHeader, GuidTakenFromEitherCase) {
  for (bool Upper : {false, true}) {
    EFI_GUID Guid{};
    GetGuidFromConfigString(&Guid, Header(gHddPasswordStatusVarGuid, u"x", NameForm::Plain, Upper).c_str());
    EXPECT_TRUE(host::SameGuid(Guid, gHddPasswordStatusVarGuid));
  }
}

TEST(ConfigHeader, NameInPlainAndHexForm) {
  const std::u16string Long99(99, u'N');
  const std::u16string Long100(100, u'N');
  const std::u16string Guid = u"GUID=" + cfgtest::GuidField(gSetupVariableGuid);
  const struct {
    const char *Name;
    std::u16string Text;
    EFI_STATUS Status;
    std::u16string Variable;  // on success
    UINT32 Size;              // after the call
  } Cases[] = {
      {"plain", Header(gSetupVariableGuid, u"Setup", NameForm::Plain), EFI_SUCCESS, u"Setup", 200},
      {"hex", Header(gSetupVariableGuid, u"Setup", NameForm::Hex), EFI_SUCCESS, u"Setup", 200},
      {"hex upper case", Guid + u"&NAME=00530065007400750070&PATH=00", EFI_SUCCESS, u"Setup", 200},
      {"plain 19 characters", Header(gHddPasswordStatusVarGuid, u"HDD_Password_Status", NameForm::Plain), EFI_SUCCESS,
       u"HDD_Password_Status", 200},
      {"hex 19 characters", Header(gHddPasswordStatusVarGuid, u"HDD_Password_Status"), EFI_SUCCESS,
       u"HDD_Password_Status", 200},
      {"plain store names made of letters", Header(gTpmStatusVarGuid, u"TpmStatusVar", NameForm::Plain), EFI_SUCCESS,
       u"TpmStatusVar", 200},
      {"empty", Guid + u"&NAME=&PATH=00", EFI_SUCCESS, u"", 200},
      {"plain 99 characters", Header(gSetupVariableGuid, Long99, NameForm::Plain), EFI_SUCCESS, Long99, 200},
      {"hex 99 characters", Header(gSetupVariableGuid, Long99), EFI_SUCCESS, Long99, 200},
      {"plain 100 characters", Header(gSetupVariableGuid, Long100, NameForm::Plain), EFI_BUFFER_TOO_SMALL, u"", 202},
      {"hex 100 characters", Header(gSetupVariableGuid, Long100), EFI_BUFFER_TOO_SMALL, u"", 202},
      {"first of two NAME=", Guid + u"&NAME=Setup&PATH=00&NAME=System&", EFI_SUCCESS, u"Setup", 200},
      {"no NAME=", Guid + u"&PATH=00&OFFSET=0", EFI_INVALID_PARAMETER, u"", 200},
      {"no '&' after the name", Guid + u"&NAME=Setup", EFI_INVALID_PARAMETER, u"", 200},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    CHAR16 Name[101];
    std::fill(std::begin(Name), std::end(Name), u'#');
    UINT32 Size = 200;
    EXPECT_EQ(GetNameFromConfigString(Case.Text.c_str(), Name, &Size), Case.Status);
    EXPECT_EQ(Size, Case.Size);
    EXPECT_EQ(Name[100], u'#');
    if (Case.Status == EFI_SUCCESS) {
      EXPECT_EQ(std::u16string(Name), Case.Variable);
    } else {
      EXPECT_EQ(Name[0], u'#') << "name buffer used";
    }
  }
}

}  // namespace
