// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of SecurityRouteConfig and its storage rules.
#include <gtest/gtest.h>

#include "config/reset_replacement.h"
#include "tests/config/config_test_support.h"

namespace {

using namespace cfgtest;

class RouteTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    SetupBytes = Pattern(868, 3);
    SetupBytes[377] = 0;
    SetupBytes[703] = 0;
    Put(u"Setup", SetupBytes);
    SystemBytes = Pattern(21, 0x20);
    Put(u"System", SystemBytes);
  }
  bool Replaced() const { return P.RuntimeServices.ResetSystem == SecurityResetSystem; }
  std::vector<UINT8> SetupBytes;
  std::vector<UINT8> SystemBytes;
};

TEST_F(RouteTest, NullArgumentsAreRefusedWithoutTouchingAnything) {
  EFI_STRING Progress = const_cast<EFI_STRING>(kUntouched);
  std::u16string Text = ForStore(u"System", ResponseElement(10, {0}));
  size_t Gets = P.Variables.GetCalls();
  EXPECT_EQ(SecurityRouteConfig(nullptr, nullptr, &Progress), EFI_INVALID_PARAMETER);
  EXPECT_EQ(SecurityRouteConfig(nullptr, Text.c_str(), nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Progress, kUntouched);
  EXPECT_EQ(P.Variables.GetCalls(), Gets);
  EXPECT_TRUE(P.Variables.Writes().empty());
}

TEST_F(RouteTest, StringsNotForThisDriverOrWithoutUsableNameAreRefusedAtTheirStart) {
  constexpr EFI_GUID Foreign = {0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 7, 8}};
  const std::u16string SystemGuid = u"GUID=" + GuidField(gSystemConfigurationGuid);
  const struct {
    const char *Name;
    std::u16string Text;
    EFI_STATUS Status;
  } Cases[] = {
      {"empty", u"", EFI_NOT_FOUND},
      {"foreign GUID", Header(Foreign, u"System") + ResponseElement(10, {0}), EFI_NOT_FOUND},
      {"no NAME=", SystemGuid + u"&PATH=00" + ResponseElement(10, {0}), EFI_INVALID_PARAMETER},
      {"no '&' after the name", SystemGuid + u"&NAME=System", EFI_INVALID_PARAMETER},
      {"name of 100 characters", Header(gSystemConfigurationGuid, std::u16string(100, u'S')), EFI_INVALID_PARAMETER},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    auto R = Route(Case.Text);
    EXPECT_EQ(R.Status, Case.Status);
    EXPECT_EQ(R.ProgressIndex, 0u);
    EXPECT_TRUE(P.Variables.Writes().empty());
  }
}

TEST_F(RouteTest, TpmStatusStringsAreAcceptedAndDiscarded) {
  for (NameForm Form : {NameForm::Plain, NameForm::Hex}) {
    for (bool Present : {false, true}) {
      SCOPED_TRACE(std::to_string(Present) + (Form == NameForm::Hex ? " hex" : " plain"));
      P.Variables.Remove(u"TpmStatusVar", gTpmStatusVarGuid);
      if (Present) Put(u"TpmStatusVar", Pattern(82, 1));
      P.Log.Clear();
      // Even a field outside the store is not looked at.
      auto R = Route(ForStore(u"TpmStatusVar", ResponseElement(80, {1}) + ResponseElement(500, {1}), Form));
      EXPECT_EQ(R.Status, EFI_SUCCESS);
      EXPECT_EQ(R.ProgressIndex, std::u16string::npos);
      EXPECT_TRUE(P.Variables.Writes().empty());
      EXPECT_TRUE(P.Log.With("ConfigRouting.").empty());
      EXPECT_EQ(P.Variables.Find(u"TpmStatusVar", gTpmStatusVarGuid) != nullptr, Present);
      if (Present) {
        EXPECT_EQ(Read(u"TpmStatusVar"), Pattern(82, 1));
      }
    }
  }
  // The string is known by its NAME: under another store's GUID it is
  // discarded as well, and another NAME under its GUID is not.
  for (const EFI_GUID *Guid : {&gSystemConfigurationGuid, &gUserManagerVarGuid}) {
    P.Variables.Put(u"TpmStatusVar", *Guid, Pattern(82, 1));
    EXPECT_EQ(Route(Header(*Guid, u"TpmStatusVar") + ResponseElement(80, {1})).Status, EFI_SUCCESS);
    EXPECT_EQ(P.Variables.Read(u"TpmStatusVar", *Guid), Pattern(82, 1));
  }
  P.Variables.Put(u"Other", gTpmStatusVarGuid, Pattern(82, 1));
  ASSERT_EQ(Route(Header(gTpmStatusVarGuid, u"Other") + ResponseElement(80, {7})).Status, EFI_SUCCESS);
  std::vector<UINT8> Merged = Pattern(82, 1);
  Merged[80] = 7;
  EXPECT_EQ(P.Variables.Read(u"Other", gTpmStatusVarGuid), Merged);
}

TEST_F(RouteTest, RoutingNeverCreatesAVariable) {
  for (const char16_t *Name : {u"StatusSetupVar", u"UserManagerVar", u"PbaStatusVar", u"HDD_Password_Status"}) {
    SCOPED_TRACE(host::Narrow(Name));
    auto R = Route(ForStore(Name, ResponseElement(0, {1})));
    EXPECT_EQ(R.Status, EFI_NOT_FOUND);
    EXPECT_EQ(R.ProgressIndex, 0u);
    EXPECT_EQ(P.Variables.Find(Name, *Store(Name).Guid), nullptr);
  }
  EXPECT_TRUE(P.Variables.Writes().empty());
}

// Submitted fields are merged into the stored bytes; the variable keeps its
// stored size and attributes, whatever the declared size.
TEST_F(RouteTest, MergeKeepsStoredSizeAndAttributes) {
  const struct {
    const char16_t *Name;
    size_t Size;
    UINT32 Attributes;
  } Cases[] = {
      {u"System", 21, 7},          {u"System", 40, 3},        {u"UserManagerVar", 5, 3},
      {u"StatusSetupVar", 99, 7},  {u"PbaStatusVar", 12, 1 | 2}, {u"HDD_Password_Status", 2, 7},
      {u"Setup", 868, 3},
  };
  for (NameForm Form : {NameForm::Plain, NameForm::Hex}) {
    for (const auto &Case : Cases) {
      SCOPED_TRACE(host::Narrow(Case.Name) + " " + std::to_string(Case.Size));
      std::vector<UINT8> Stored = Pattern(Case.Size, 0x11);
      if (std::u16string(Case.Name) == u"Setup") Stored[703] = 0;
      Put(Case.Name, Stored, Case.Attributes);
      std::vector<UINT8> Expected = Stored;
      Expected[0] = 0xA5;
      Expected[1] = 0x5A;
      Expected[Case.Size - 1] = 0x01;
      auto R = Route(ForStore(Case.Name, ResponseElement(0, {0xA5, 0x5A}) + ResponseElement(Case.Size - 1, {0x01}),
                            Form));
      EXPECT_EQ(R.Status, EFI_SUCCESS);
      const host::Variable *Now = P.Variables.Find(Case.Name, *Store(Case.Name).Guid);
      ASSERT_NE(Now, nullptr);
      EXPECT_EQ(Now->Data, Expected);
      EXPECT_EQ(Now->Attributes, Case.Attributes);
    }
  }
}

// The driver's own failures leave Progress at the start of the string; those
// of ConfigToBlock and SetVariable where ConfigToBlock put it.
TEST_F(RouteTest, FailuresWriteNothingAndReleaseTheBlock) {
  const std::u16string Good = ForStore(u"System", ResponseElement(17, {12}));
  const std::u16string Outside = ForStore(u"System", ResponseElement(17, {12}) + ResponseElement(20, {1, 2}));
  const std::u16string Malformed = ForStore(u"System", ResponseElement(17, {12}) + RequestElement(0x11, 1));  // no VALUE
  const struct {
    const char *Name;
    std::u16string Text;
    size_t FailAllocation;
    EFI_STATUS SizeQueryStatus;  // forced answer of every read of "System"
    EFI_STATUS ReadStatus;       // forced answer of the read into the block
    EFI_STATUS SetStatus;
    EFI_STATUS Status;
    size_t Progress;
    UINT32 Attributes = 7;  // of the stored "System"
  } Cases[] = {
      {"size query fails", Good, 0, EFI_DEVICE_ERROR, EFI_SUCCESS, EFI_SUCCESS, EFI_DEVICE_ERROR, 0},
      {"block not allocated", Good, 1, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_OUT_OF_RESOURCES, 0},
      {"read into the block fails", Good, 0, EFI_SUCCESS, EFI_DEVICE_ERROR, EFI_SUCCESS, EFI_DEVICE_ERROR, 0},
      // A write of an authenticated variable needs a signed payload.
      {"authenticated write access", Good, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_WRITE_PROTECTED, 0, 0x17},
      {"time-based authenticated write access", Good, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_WRITE_PROTECTED,
       0, 0x27},
      {"enhanced authenticated access", Good, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_WRITE_PROTECTED, 0, 0x87},
      {"field outside the stored block", Outside, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_BUFFER_TOO_SMALL,
       Outside.size()},
      {"malformed field", Malformed, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_SUCCESS, EFI_INVALID_PARAMETER,
       Malformed.rfind(u"&OFFSET=")},
      {"write refused", Good, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_WRITE_PROTECTED, EFI_WRITE_PROTECTED, Good.size()},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Put(u"System", SystemBytes, Case.Attributes);
    size_t Writes = P.Variables.Writes().size();
    VariableServiceHook::Install(P);
    VariableServiceHook::FailReadOf = u"System";
    VariableServiceHook::FailReadStatus = Case.ReadStatus;
    P.Variables.FailGet(u"System", Case.SizeQueryStatus);
    P.Variables.FailSet(u"System", Case.SetStatus);
    size_t Live = P.Memory.LiveBytes();
    P.Memory.FailNthAllocation(Case.FailAllocation);
    auto R = Route(Case.Text);
    P.Memory.FailNthAllocation(0);
    P.Variables.FailGet(u"System", EFI_SUCCESS);
    P.Variables.FailSet(u"System", EFI_SUCCESS);
    P.RuntimeServices.GetVariable = VariableServiceHook::OriginalGet;
    P.RuntimeServices.SetVariable = VariableServiceHook::OriginalSet;
    EXPECT_EQ(R.Status, Case.Status);
    EXPECT_EQ(R.ProgressIndex, Case.Progress);
    EXPECT_EQ(Read(u"System"), SystemBytes);
    EXPECT_EQ(P.Variables.Writes().size(), Writes + (Case.SetStatus != EFI_SUCCESS ? 1 : 0));  // the refused one
    EXPECT_EQ(P.Memory.LiveBytes(), Live);
    EXPECT_EQ(P.Memory.BadFrees(), 0u);
  }
}

TEST_F(RouteTest, CallSequenceOfASave) {
  VariableServiceHook::Install(P);
  std::u16string Text = ForStore(u"System", ResponseElement(17, {12}));
  ASSERT_EQ(Route(Text).Status, EFI_SUCCESS);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{
                             "GetVariable(Setup, 868)",
                             "GetVariable(System, 0)",
                             "GetVariable(System, 21)",
                             "ConfigRouting.ConfigToBlock(" + host::Narrow(Text) + ", 21)",
                             "SetVariable(System, 7, 21)",
                         }));
}

// Withdrawal of a TPM state change request that cannot change anything:
// one row per request code, one column per (enabled, activated) pair with
// enabled and activated in {0, 1, 2}: 'W' withdrawn (stored as 0), '-' kept.
TEST_F(RouteTest, TpmRequestWithdrawal) {
  const struct {
    UINT8 Request;
    const char *Outcome;  // E0A0 E0A1 E0A2 E1A0 E1A1 E1A2 E2A0 E2A1 E2A2
  } Table[] = {
      {0, "---------"},  //
      {1, "---WWW---"},  // Enable: enabled already
      {2, "WWW------"},  // Disable: disabled already
      {3, "WWW-W--W-"},  // Activate: activated already, or disabled
      {4, "WWWW--W--"},  // Deactivate: deactivated already, or disabled
      {5, "---------"},  // Clear: always kept
      {6, "----W----"},  // Enable and Activate: both already
      {7, "WWW------"},  // Disable and Deactivate: disabled already
      {8, "---------"},  {9, "---------"}, {10, "---------"}, {0xFF, "---------"},
  };
  for (const auto &Row : Table) {
    for (int Cell = 0; Cell < 9; Cell++) {
      UINT8 Enabled = static_cast<UINT8>(Cell / 3), Activated = static_cast<UINT8>(Cell % 3);
      SCOPED_TRACE("request " + std::to_string(Row.Request) + " enabled " + std::to_string(Enabled) + " activated " +
                   std::to_string(Activated));
      std::vector<UINT8> Stored = SystemBytes;
      Stored[13] = Enabled;
      Stored[14] = Activated;
      Put(u"System", Stored);
      ASSERT_EQ(Route(ForStore(u"System", ResponseElement(11, {Row.Request}))).Status, EFI_SUCCESS);
      std::vector<UINT8> Expected = Stored;
      Expected[11] = Row.Outcome[Cell] == 'W' ? 0 : Row.Request;
      EXPECT_EQ(Read(u"System"), Expected);
    }
  }
  // The rule goes with the NAME "System", whatever the GUID.
  const struct {
    const char16_t *Name;
    const EFI_GUID *Guid;
    UINT8 Stored;  // request 1 "Enable" while enabled
  } Pairings[] = {{u"System", &gUserManagerVarGuid, 0}, {u"Other", &gSystemConfigurationGuid, 1}};
  for (const auto &Pairing : Pairings) {
    SCOPED_TRACE(host::Narrow(Pairing.Name));
    std::vector<UINT8> Stored = SystemBytes;
    Stored[13] = 1;
    P.Variables.Put(Pairing.Name, *Pairing.Guid, Stored);
    ASSERT_EQ(Route(Header(*Pairing.Guid, Pairing.Name) + ResponseElement(11, {1})).Status, EFI_SUCCESS);
    EXPECT_EQ(P.Variables.Read(Pairing.Name, *Pairing.Guid).value()[11], Pairing.Stored);
  }
}

TEST_F(RouteTest, TpmStateSubmittedWithTheRequestIsUsed) {
  std::vector<UINT8> Stored = SystemBytes;
  Stored[13] = 0;
  Stored[14] = 0;
  Put(u"System", Stored);
  // Enable and Activate with both bytes submitted as 1: withdrawn.
  ASSERT_EQ(Route(ForStore(u"System", ResponseElement(11, {6, 0x77, 1, 1}))).Status, EFI_SUCCESS);
  EXPECT_EQ(Read(u"System")[11], 0);
  EXPECT_EQ(Read(u"System")[12], 0x77);
}

// The rule reads offsets 11, 13 and 14; a shorter "System" is stored as
// merged, without the rule.
TEST_F(RouteTest, ShortSystemSkipsTheTpmRule) {
  for (size_t Size : {12, 14, 15}) {
    SCOPED_TRACE(Size);
    std::vector<UINT8> Stored(Size, 1);  // enabled and activated where present
    Put(u"System", Stored);
    ASSERT_EQ(Route(ForStore(u"System", ResponseElement(11, {1}))).Status, EFI_SUCCESS);
    std::vector<UINT8> Expected = Stored;
    Expected[11] = Size == 15 ? 0 : 1;
    EXPECT_EQ(Read(u"System"), Expected);
  }
  std::vector<UINT8> Tiny(5, 1);
  Put(u"System", Tiny);
  EXPECT_EQ(Route(ForStore(u"System", ResponseElement(0, {2}))).Status, EFI_SUCCESS);
  EXPECT_EQ(Read(u"System"), (std::vector<UINT8>{2, 1, 1, 1, 1}));
}

// Stored and submitted TXT switch against the stored VT switch.
TEST_F(RouteTest, TxtSwitchForcesVtAndArmsTheResetReplacement) {
  const struct {
    UINT8 Stored703;
    UINT8 Submitted703;
    UINT8 Submitted377;
    UINT8 Expected377;
    bool Replaced;
  } Cases[] = {
      {0, 1, 0, 1, true},  {1, 1, 0, 1, false}, {1, 0, 0, 0, true},
      {1, 0, 1, 1, true},  {0, 0, 0, 0, false}, {0, 2, 0, 0, true},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(std::to_string(Case.Stored703) + " -> " + std::to_string(Case.Submitted703));
    std::vector<UINT8> Stored = SetupBytes;
    Stored[703] = Case.Stored703;
    Put(u"Setup", Stored);
    mSavedResetSystem = nullptr;
    P.RuntimeServices.ResetSystem = P.FirmwareResetSystem;
    ASSERT_EQ(Route(ForStore(u"Setup", ResponseElement(377, {Case.Submitted377}) + ResponseElement(703, {Case.Submitted703})))
                  .Status,
              EFI_SUCCESS);
    std::vector<UINT8> Expected = Stored;
    Expected[377] = Case.Expected377;
    Expected[703] = Case.Submitted703;
    EXPECT_EQ(Read(u"Setup"), Expected);
    EXPECT_EQ(Replaced(), Case.Replaced);
  }
}

TEST_F(RouteTest, VtForcedWhateverTheBlockHeldAndOnlyForTheSetupStore) {
  std::vector<UINT8> Stored = SetupBytes;
  Stored[703] = 1;
  Stored[377] = 0;
  Put(u"Setup", Stored);
  ASSERT_EQ(Route(ForStore(u"Setup", ResponseElement(0, {9}))).Status, EFI_SUCCESS);  // switch not submitted
  EXPECT_EQ(Read(u"Setup")[377], 1);
  EXPECT_FALSE(Replaced());

  // A variable named "Setup" under another store's GUID is not the platform's.
  std::vector<UINT8> Other(868, 0);
  P.Variables.Put(u"Setup", gSystemConfigurationGuid, Other);
  ASSERT_EQ(Route(Header(gSystemConfigurationGuid, u"Setup") + ResponseElement(703, {1})).Status, EFI_SUCCESS);
  Other[703] = 1;
  EXPECT_EQ(P.Variables.Read(u"Setup", gSystemConfigurationGuid), Other);
  EXPECT_FALSE(Replaced());
}

// "Setup" of other sizes: the switch is compared only where both copies hold
// it, and the rules never reach beyond the stored block.
TEST_F(RouteTest, SetupOfOtherSizes) {
  const struct {
    size_t Size;
    bool Change;
    bool Replaced;
  } Cases[] = {
      {500, false, false}, {703, false, false}, {704, true, true}, {704, false, false},
      {1000, true, true},  {1000, false, false},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(std::to_string(Case.Size) + (Case.Change ? " change" : " same"));
    std::vector<UINT8> Stored = Pattern(Case.Size, 5);
    if (Case.Size > 703) Stored[703] = 1;
    Put(u"Setup", Stored);
    mSavedResetSystem = nullptr;
    P.RuntimeServices.ResetSystem = P.FirmwareResetSystem;
    std::u16string Elements = ResponseElement(10, {0xEE});
    if (Case.Size > 703) Elements += ResponseElement(703, {static_cast<UINT8>(Case.Change ? 0 : 1)});
    ASSERT_EQ(Route(ForStore(u"Setup", Elements)).Status, EFI_SUCCESS);
    std::vector<UINT8> Expected = Stored;
    Expected[10] = 0xEE;
    if (Case.Size > 703) {
      Expected[703] = Case.Change ? 0 : 1;
      if (!Case.Change) Expected[377] = 1;
    }
    EXPECT_EQ(Read(u"Setup"), Expected);
    EXPECT_EQ(Replaced(), Case.Replaced);
  }
}

struct FirstReadFails {
  static inline int Reads = 0;
  static inline EFI_GET_VARIABLE Original = nullptr;
  static EFI_STATUS EFIAPI Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size, VOID *Data) {
    if (Data != nullptr && std::u16string(Name) == u"Setup" && Reads++ == 0) return EFI_DEVICE_ERROR;
    return Original(Name, Guid, Attributes, Size, Data);
  }
};

TEST_F(RouteTest, UnreadableStoredSetupComparesWithTheVariableRead) {
  // The first read of "Setup" (the 868-byte copy) fails, the one at its
  // stored size works: the switch is compared with the latter.
  FirstReadFails::Original = P.RuntimeServices.GetVariable;
  P.RuntimeServices.GetVariable = FirstReadFails::Get;
  ASSERT_EQ(Route(ForStore(u"Setup", ResponseElement(703, {0}))).Status, EFI_SUCCESS);
  EXPECT_FALSE(Replaced());
  FirstReadFails::Reads = 0;
  ASSERT_EQ(Route(ForStore(u"Setup", ResponseElement(703, {1}))).Status, EFI_SUCCESS);
  EXPECT_TRUE(Replaced());
}

TEST_F(RouteTest, EmptyStoredVariable) {
  Put(u"UserManagerVar", {});
  EXPECT_EQ(Route(ForStore(u"UserManagerVar", ResponseElement(0, {1}))).Status, EFI_BUFFER_TOO_SMALL);
  // Routing refuses a configuration without any field; nothing is written.
  EXPECT_EQ(Route(ForStore(u"UserManagerVar", u"")).Status, EFI_INVALID_PARAMETER);
  EXPECT_NE(P.Variables.Find(u"UserManagerVar", gUserManagerVarGuid), nullptr);
  EXPECT_EQ(WritesOf(u"UserManagerVar"), 0u);
}

// A browser round trip: extract "System", change fields in the response the
// way the browser does, route it and read the variable back.
TEST_F(RouteTest, FullCycleThroughSystem) {
  std::vector<UINT8> Stored = SystemBytes;
  Stored[10] = 1;   // TPM support
  Stored[11] = 0;   // no request
  Stored[13] = 1;   // enabled
  Stored[14] = 0;   // deactivated
  Stored[15] = 2;   // enabled and deactivated
  Stored[17] = 20;  // maximum password length
  Stored[18] = 1;   // minimum password length
  Put(u"System", Stored, 3);

  std::u16string Request = Header(gSystemConfigurationGuid, u"System") + RequestElement(10, 1) +
                           RequestElement(11, 1) + RequestElement(15, 1) + RequestElement(17, 1) +
                           RequestElement(18, 1);
  auto Extracted = Extract(Request);
  ASSERT_EQ(Extracted.Status, EFI_SUCCESS);
  EXPECT_EQ(Extracted.Results, Header(gSystemConfigurationGuid, u"System") +
                                   u"&OFFSET=000a&WIDTH=0001&VALUE=01&OFFSET=000b&WIDTH=0001&VALUE=00"
                                   u"&OFFSET=000f&WIDTH=0001&VALUE=02&OFFSET=0011&WIDTH=0001&VALUE=14"
                                   u"&OFFSET=0012&WIDTH=0001&VALUE=01");

  // The user asks for "Enable and Activate" and narrows the password lengths.
  auto Change = [](std::u16string Text, UINTN Offset, const std::u16string &Value) {
    size_t At = Text.find(u"&OFFSET=" + Number(Offset) + u"&WIDTH=");
    size_t ValueAt = Text.find(u"&VALUE=", At) + 7;
    size_t End = Text.find(u'&', ValueAt);
    return Text.replace(ValueAt, (End == std::u16string::npos ? Text.size() : End) - ValueAt, Value);
  };
  std::u16string Response = Change(Change(Change(Extracted.Results, 11, u"06"), 17, u"0c"), 18, u"04");
  auto Routed = Route(Response);
  ASSERT_EQ(Routed.Status, EFI_SUCCESS);
  EXPECT_EQ(Routed.ProgressIndex, Response.size());

  std::vector<UINT8> Expected = Stored;
  Expected[11] = 6;
  Expected[17] = 12;
  Expected[18] = 4;
  const host::Variable *Now = P.Variables.Find(u"System", gSystemConfigurationGuid);
  ASSERT_NE(Now, nullptr);
  EXPECT_EQ(Now->Data, Expected);
  EXPECT_EQ(Now->Attributes, 3u);

  // A request that changes nothing ("Enable" on an enabled TPM) is withdrawn.
  ASSERT_EQ(Route(Change(Response, 11, u"01")).Status, EFI_SUCCESS);
  Expected[11] = 0;
  EXPECT_EQ(Read(u"System"), Expected);
}

}  // namespace
