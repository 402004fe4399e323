// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host tests of SecurityExtractConfig.
#include <gtest/gtest.h>

#include "config/variable_stores.h"
#include "tests/config/config_test_support.h"

namespace {

using namespace cfgtest;

class ExtractTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    SetupBytes = Pattern(868, 3);
    SetupBytes[702] = 0;
    Put(u"Setup", SetupBytes);
  }
  std::vector<UINT8> SetupBytes;
};

TEST_F(ExtractTest, NullArgumentsAreRefusedWithoutTouchingAnything) {
  const std::u16string Text = ForStore(u"System", RequestElement(0, 1));
  EFI_STRING Progress = const_cast<EFI_STRING>(kUntouched);
  EFI_STRING Results = nullptr;
  size_t Gets = P.Variables.GetCalls();
  EXPECT_EQ(SecurityExtractConfig(nullptr, nullptr, &Progress, &Results), EFI_INVALID_PARAMETER);
  EXPECT_EQ(SecurityExtractConfig(nullptr, Text.c_str(), nullptr, &Results), EFI_INVALID_PARAMETER);
  EXPECT_EQ(SecurityExtractConfig(nullptr, Text.c_str(), &Progress, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Progress, kUntouched);
  EXPECT_EQ(Results, nullptr);
  EXPECT_EQ(P.Variables.GetCalls(), Gets);
  EXPECT_TRUE(P.Variables.Writes().empty());
}

TEST_F(ExtractTest, RequestsNotForThisDriverAreRefusedAtTheirStart) {
  constexpr EFI_GUID Foreign = {0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 7, 8}};
  std::u16string Setup = ForStore(u"Setup", u"");
  const struct {
    const char *Name;
    std::u16string Text;
    EFI_STATUS Status;
    bool SetupRefreshed;
  } Cases[] = {
      {"empty", u"", EFI_INVALID_PARAMETER, false},
      {"foreign GUID", Header(Foreign, u"Setup") + RequestElement(0, 1), EFI_NOT_FOUND, false},
      {"43 characters", Setup.substr(0, 43), EFI_NOT_FOUND, false},
      {"no NAME=", u"GUID=" + GuidField(gSystemConfigurationGuid) + u"&PATH=00&OFFSET=0&WIDTH=1",
       EFI_INVALID_PARAMETER, true},
      {"no '&' after the name", u"GUID=" + GuidField(gSystemConfigurationGuid) + u"&NAME=System",
       EFI_INVALID_PARAMETER, true},
      {"name of 100 characters", Header(gPbaStatusVarGuid, std::u16string(100, u'P')) + RequestElement(0, 1),
       EFI_INVALID_PARAMETER, true},
  };
  Txt.MakeCapable(P);  // byte 702 of the stored "Setup" is 0: a refresh writes it
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Put(u"Setup", SetupBytes);
    size_t Writes = WritesOf(u"Setup");
    size_t Variables = P.Variables.Count();
    auto R = Extract(Case.Text);
    EXPECT_EQ(R.Status, Case.Status);
    EXPECT_EQ(R.ProgressIndex, 0u);
    EXPECT_TRUE(R.Results.empty());
    EXPECT_EQ(WritesOf(u"Setup"), Writes + (Case.SetupRefreshed ? 1 : 0));
    EXPECT_EQ(P.Variables.Count(), Variables);  // no variable created under a long name
  }
}

// What each store gives when its variable does not exist, for both NAME
// forms. The zeros are served, and a status store created, only under the
// store's own NAME and GUID: any other pairing is an absent variable.
TEST_F(ExtractTest, AbsentStores) {
  const struct {
    const char16_t *Name;   // NAME of the request
    const char16_t *Store;  // the store whose GUID the request carries
    EFI_STATUS Status;
    bool Created;
  } Cases[] = {
      {u"TpmStatusVar", u"TpmStatusVar", EFI_SUCCESS, false},
      {u"PbaStatusVar", u"PbaStatusVar", EFI_SUCCESS, true},
      {u"HDD_Password_Status", u"HDD_Password_Status", EFI_SUCCESS, true},
      {u"StatusSetupVar", u"StatusSetupVar", EFI_NOT_FOUND, false},
      {u"System", u"System", EFI_NOT_FOUND, false},
      {u"UserManagerVar", u"UserManagerVar", EFI_NOT_FOUND, false},
      {u"Setup", u"Setup", EFI_NOT_FOUND, false},
      {u"AnyNameAtAll", u"PbaStatusVar", EFI_NOT_FOUND, false},
      {u"AnyNameAtAll", u"HDD_Password_Status", EFI_NOT_FOUND, false},
      {u"AnyNameAtAll", u"TpmStatusVar", EFI_NOT_FOUND, false},
      {u"PbaStatusVar", u"HDD_Password_Status", EFI_NOT_FOUND, false},
      {u"HDD_Password_Status", u"PbaStatusVar", EFI_NOT_FOUND, false},
      {u"TpmStatusVar", u"PbaStatusVar", EFI_NOT_FOUND, false},
      {u"PbaStatusVar", u"TpmStatusVar", EFI_NOT_FOUND, false},
      {u"PbaStatusVar", u"System", EFI_NOT_FOUND, false},
  };
  for (NameForm Form : {NameForm::Plain, NameForm::Hex}) {
    for (const auto &Case : Cases) {
      SCOPED_TRACE(host::Narrow(Case.Name) + " under the GUID of " + host::Narrow(Case.Store) +
                   (Form == NameForm::Hex ? " hex" : " plain"));
      const StoreInfo &Info = Store(Case.Store);
      P.Variables.Remove(Case.Store, *Info.Guid);
      size_t Variables = P.Variables.Count();
      std::u16string Text = Header(*Info.Guid, Case.Name, Form) + RequestElement(0, Info.Size);
      auto R = Extract(Text);
      EXPECT_EQ(R.Status, Case.Status);
      const host::Variable *Created = P.Variables.Find(Case.Name, *Info.Guid);
      if (Case.Status == EFI_SUCCESS) {
        EXPECT_EQ(R.Results, Echoed(Text) + u"&VALUE=" + std::u16string(2 * Info.Size, u'0'));
        EXPECT_EQ(R.ProgressIndex, Text.size());
      } else {
        EXPECT_TRUE(R.Results.empty());
        EXPECT_EQ(R.ProgressIndex, 0u);
      }
      ASSERT_EQ(Created != nullptr, Case.Created);
      EXPECT_EQ(P.Variables.Count(), Variables + (Case.Created ? 1 : 0));
      if (Created != nullptr) {
        EXPECT_EQ(Created->Attributes, 7u);
        EXPECT_EQ(Created->Data, std::vector<UINT8>(Info.Size, 0));
        P.Variables.Remove(Case.Name, *Info.Guid);
      }
      Put(u"Setup", SetupBytes);
    }
  }
}

TEST_F(ExtractTest, ACreatedStatusVariableIsReadOnTheNextRequest) {
  std::u16string Text = ForStore(u"PbaStatusVar", RequestElement(11, 1));
  ASSERT_EQ(Extract(Text).Status, EFI_SUCCESS);
  std::vector<UINT8> Stored(12, 0);
  Stored[11] = 1;
  Put(u"PbaStatusVar", Stored);
  size_t Writes = P.Variables.Writes().size();
  auto R = Extract(Text);
  EXPECT_EQ(R.Status, EFI_SUCCESS);
  EXPECT_EQ(R.Results, Text + u"&VALUE=01");
  EXPECT_EQ(P.Variables.Writes().size(), Writes);
}

// A store is served at its stored size, whatever the declared size.
TEST_F(ExtractTest, StoresOfEverySize) {
  const struct {
    size_t Size;
    std::u16string Elements;
    EFI_STATUS Status;
  } Cases[] = {
      {0, u"", EFI_SUCCESS},                        // header only: the header comes back
      {0, RequestElement(0, 1), EFI_DEVICE_ERROR},  // nothing to serve
      {1, RequestElement(0, 1), EFI_SUCCESS},
      {14, RequestElement(0, 14), EFI_SUCCESS},
      {14, RequestElement(10, 5), EFI_DEVICE_ERROR},
      {21, RequestElement(10, 2) + RequestElement(17, 2), EFI_SUCCESS},
      {4096, RequestElement(4000, 96), EFI_SUCCESS},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Size);
    std::vector<UINT8> Bytes = Pattern(Case.Size, 0x40);
    Put(u"System", Bytes, 3);
    size_t Live = P.Memory.LiveBytes();
    std::u16string Text = ForStore(u"System", Case.Elements);
    auto R = Extract(Text);
    EXPECT_EQ(R.Status, Case.Status);
    EXPECT_EQ(P.Memory.LiveBytes(), Live);
    if (Case.Status == EFI_SUCCESS) {
      std::u16string Expected = Header(gSystemConfigurationGuid, u"System");
      size_t Position = Expected.size();
      while (Position < Text.size()) {
        size_t Width = Text.find(u"&WIDTH=", Position);
        size_t Next = Text.find(u'&', Width + 1);
        size_t End = Next == std::u16string::npos ? Text.size() : Next;
        UINTN Offset = std::stoul(host::Narrow(Text.substr(Position + 8, Width - Position - 8)), nullptr, 16);
        UINTN Count = std::stoul(host::Narrow(Text.substr(Width + 7, End - Width - 7)), nullptr, 16);
        Expected += Text.substr(Position, End - Position) + u"&VALUE=" +
                    ValueDigits(std::vector<UINT8>(Bytes.begin() + Offset, Bytes.begin() + Offset + Count));
        Position = End;
      }
      EXPECT_EQ(R.Results, Expected);
    } else {
      // Just after the WIDTH of the element that reaches outside: the end here.
      EXPECT_EQ(R.ProgressIndex, Text.size());
    }
    EXPECT_EQ(Read(u"System"), Bytes);
  }
}

// Byte 702 of "Setup" follows the TXT capability rule on every extraction,
// whichever store is asked for; it is never cleared. "Setup" is written only
// when the byte changes, with the attributes it has, and never when those
// carry an authentication bit.
TEST_F(ExtractTest, TxtCapableByteRefreshedForEveryStore) {
  const struct {
    bool Capable;
    UINT8 Stored;
    UINT32 Attributes;
    UINT8 Expected;
  } Rules[] = {{true, 0, 7, 1},    {true, 1, 7, 1},    {false, 0, 7, 0},   {false, 1, 7, 1},
               {true, 0, 3, 1},    {true, 0, 6, 1},    {true, 0, 0x17, 0}, {true, 0, 0x27, 0},
               {true, 0, 0x87, 0}, {true, 2, 7, 1}};
  const char16_t *Stores[] = {u"System", u"UserManagerVar", u"TpmStatusVar", u"StatusSetupVar"};
  for (const auto &Rule : Rules) {
    for (const char16_t *Name : Stores) {
      SCOPED_TRACE(std::to_string(Rule.Capable) + " " + std::to_string(Rule.Stored) + " " +
                   std::to_string(Rule.Attributes) + " " + host::Narrow(Name));
      host::Platform &Active = P;
      if (Rule.Capable) {
        Txt.MakeCapable(Active);
      } else {
        Txt.MakeCapable(Active);
        Active.Hardware.TpmAccessByte = 0xFF;
      }
      std::vector<UINT8> Before = SetupBytes;
      Before[702] = Rule.Stored;
      Put(u"Setup", Before, Rule.Attributes);
      size_t Writes = P.Variables.Writes().size();
      Extract(ForStore(Name, RequestElement(0, 1)));
      std::vector<UINT8> After = Before;
      After[702] = Rule.Expected;
      EXPECT_EQ(Read(u"Setup"), After);
      EXPECT_EQ(P.Variables.Find(u"Setup", gSetupVariableGuid)->Attributes, Rule.Attributes);
      // The requested stores are absent and create nothing: any write is the refresh.
      ASSERT_EQ(P.Variables.Writes().size(), Writes + (After != Before ? 1 : 0));
      if (After != Before) {
        const auto &Write = P.Variables.Writes()[Writes];
        EXPECT_EQ(Write.Name, u"Setup");
        EXPECT_EQ(Write.Attributes, Rule.Attributes);
        EXPECT_EQ(Write.Data, After);
      }
    }
  }
}

// Opening the page extracts every store: the first opening on a TXT-capable
// platform sets byte 702 and creates the two status stores; opening it again
// with nothing changed writes nothing.
TEST_F(ExtractTest, RepeatExtractionOfEveryStoreWritesNothing) {
  Txt.MakeCapable(P);
  for (const char16_t *Name : {u"System", u"StatusSetupVar", u"UserManagerVar"}) {
    Put(Name, Pattern(Store(Name).Size, 1));
  }
  const size_t Expected[][2] = {{3, 868 + 12 + 9}, {0, 0}};  // calls, bytes
  for (const auto &Visit : Expected) {
    size_t Calls = P.Variables.SetCalls();
    size_t Bytes = P.Variables.SetBytes();
    for (const StoreInfo &Info : kStores) {
      EXPECT_EQ(Extract(ForStore(Info.Name, RequestElement(0, Info.Size))).Status, EFI_SUCCESS);
    }
    EXPECT_EQ(P.Variables.SetCalls() - Calls, Visit[0]);
    EXPECT_EQ(P.Variables.SetBytes() - Bytes, Visit[1]);
  }
}

TEST_F(ExtractTest, SetupRequestCarriesTheRefreshedByte) {
  Txt.MakeCapable(P);
  SetupBytes[703] = 0x5A;
  Put(u"Setup", SetupBytes);
  std::u16string Text = ForStore(u"Setup", RequestElement(702, 2));
  auto R = Extract(Text);
  EXPECT_EQ(R.Status, EFI_SUCCESS);
  EXPECT_EQ(R.Results, Text + u"&VALUE=5a01");
}

// Only a "Setup" of its declared size is rewritten: nothing is stored that
// was not read. The requested store is served all the same.
TEST_F(ExtractTest, SetupOfAnotherSizeIsNotRewritten) {
  Txt.MakeCapable(P);
  Put(u"System", Pattern(21, 1));
  for (size_t Size : {0, 100, 703, 867, 869, 2000}) {
    SCOPED_TRACE(Size);
    std::vector<UINT8> Setup = Pattern(Size, 9);
    Put(u"Setup", Setup);
    size_t Writes = WritesOf(u"Setup");
    EXPECT_EQ(Extract(ForStore(u"System", RequestElement(0, 21))).Status, EFI_SUCCESS);
    EXPECT_EQ(WritesOf(u"Setup"), Writes);
    EXPECT_EQ(Read(u"Setup"), Setup);
  }
}

TEST_F(ExtractTest, UnreadableSetupIsNotRewritten) {
  Txt.MakeCapable(P);
  Put(u"System", Pattern(21, 1));
  P.Variables.FailGet(u"Setup", EFI_DEVICE_ERROR);
  EXPECT_EQ(Extract(ForStore(u"System", RequestElement(0, 21))).Status, EFI_SUCCESS);
  EXPECT_EQ(WritesOf(u"Setup"), 0u);
}

TEST_F(ExtractTest, SetupWriteFailureDoesNotStopTheExtraction) {
  Txt.MakeCapable(P);
  Put(u"System", Pattern(21, 1));
  P.Variables.FailSet(u"Setup", EFI_WRITE_PROTECTED);
  EXPECT_EQ(Extract(ForStore(u"System", RequestElement(0, 21))).Status, EFI_SUCCESS);
  P.Variables.FailSet(u"PbaStatusVar", EFI_WRITE_PROTECTED);
  std::u16string Text = ForStore(u"PbaStatusVar", RequestElement(0, 12));
  auto R = Extract(Text);  // the zeros are served although they could not be stored
  EXPECT_EQ(R.Status, EFI_SUCCESS);
  EXPECT_EQ(R.Results, Text + u"&VALUE=" + std::u16string(24, u'0'));
}

// Every failure past the header: the driver's own leave Progress at the start
// of the request, those of BlockToConfig where the routing service put it.
TEST_F(ExtractTest, FailuresReleaseTheBlock) {
  std::u16string Text = ForStore(u"System", RequestElement(0, 21));
  std::u16string Outside = ForStore(u"System", RequestElement(20, 2));
  const struct {
    const char *Name;
    std::u16string Text;
    bool Present;
    size_t FailAllocation;       // 1: the working block, 2: the routing service's result
    EFI_STATUS SizeQueryStatus;  // forced answer of every read of "System"
    EFI_STATUS ReadStatus;       // of the read into the block
    EFI_STATUS Status;
    size_t Progress;
  } Cases[] = {
      {"absent, no zero default", Text, false, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_NOT_FOUND, 0},
      {"size query fails", Text, true, 0, EFI_DEVICE_ERROR, EFI_SUCCESS, EFI_DEVICE_ERROR, 0},
      {"working block not allocated", Text, true, 1, EFI_SUCCESS, EFI_SUCCESS, EFI_OUT_OF_RESOURCES, 0},
      {"read into the block fails", Text, true, 0, EFI_SUCCESS, EFI_DEVICE_ERROR, EFI_DEVICE_ERROR, 0},
      {"result not allocated", Text, true, 2, EFI_SUCCESS, EFI_SUCCESS, EFI_OUT_OF_RESOURCES, 0},
      {"field outside the store", Outside, true, 0, EFI_SUCCESS, EFI_SUCCESS, EFI_DEVICE_ERROR, Outside.size()},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    P.Variables.Remove(u"System", gSystemConfigurationGuid);
    if (Case.Present) Put(u"System", Pattern(21, 1));
    VariableServiceHook::Install(P);
    VariableServiceHook::FailReadOf = u"System";
    VariableServiceHook::FailReadStatus = Case.ReadStatus;
    P.Variables.FailGet(u"System", Case.SizeQueryStatus);
    size_t Live = P.Memory.LiveBytes();
    P.Memory.FailNthAllocation(Case.FailAllocation);
    auto R = Extract(Case.Text);
    P.Memory.FailNthAllocation(0);
    P.Variables.FailGet(u"System", EFI_SUCCESS);
    EXPECT_EQ(R.Status, Case.Status);
    EXPECT_EQ(R.ProgressIndex, Case.Progress);
    EXPECT_TRUE(R.Results.empty());
    EXPECT_EQ(P.Memory.LiveBytes(), Live);
    EXPECT_EQ(P.Memory.BadFrees(), 0u);
    EXPECT_TRUE(P.Variables.Writes().empty());
    P.RuntimeServices.GetVariable = VariableServiceHook::OriginalGet;
    P.RuntimeServices.SetVariable = VariableServiceHook::OriginalSet;
  }
}

// Only an absent status store is created: one whose size query fails for
// another reason is served as zeros and keeps its stored bytes.
TEST_F(ExtractTest, UnreadableStatusStoreIsServedAsZerosAndNotOverwritten) {
  const struct {
    const char16_t *Name;
    EFI_STATUS Failure;
  } Cases[] = {{u"PbaStatusVar", EFI_DEVICE_ERROR}, {u"HDD_Password_Status", EFI_DEVICE_ERROR},
               {u"HDD_Password_Status", EFI_ACCESS_DENIED}};
  for (const auto &Case : Cases) {
    SCOPED_TRACE(host::Narrow(Case.Name));
    const StoreInfo &Info = Store(Case.Name);
    std::vector<UINT8> Stored = Pattern(2 * Info.Size, 9);
    Put(Case.Name, Stored);
    P.Variables.FailGet(Case.Name, Case.Failure);
    size_t Writes = P.Variables.Writes().size();
    std::u16string Text = ForStore(Case.Name, RequestElement(0, Info.Size));
    auto R = Extract(Text);
    EXPECT_EQ(R.Status, EFI_SUCCESS);
    EXPECT_EQ(R.Results, Text + u"&VALUE=" + std::u16string(2 * Info.Size, u'0'));
    EXPECT_EQ(Read(Case.Name), Stored);
    EXPECT_EQ(P.Variables.Writes().size(), Writes);
    P.Variables.FailGet(Case.Name, EFI_SUCCESS);
  }
}

TEST_F(ExtractTest, CallSequenceForAnAbsentStatusStore) {
  VariableServiceHook::Install(P);
  std::u16string Text = ForStore(u"HDD_Password_Status", RequestElement(2, 7));
  auto R = Extract(Text);
  EXPECT_EQ(R.Status, EFI_SUCCESS);
  EXPECT_EQ(P.Log.All(), (std::vector<std::string>{
                             "GetVariable(Setup, 868)",
                             "GetVariable(HDD_Password_Status, 0)",
                             "SetVariable(HDD_Password_Status, 7, 9)",
                             "ConfigRouting.BlockToConfig(" + host::Narrow(Text) + ", 9)",
                         }));
}

TEST_F(ExtractTest, DiagnosticLines) {
  std::u16string Text = ForStore(u"PbaStatusVar", RequestElement(11, 1));
  ASSERT_EQ(Extract(Text).Status, EFI_SUCCESS);
  std::string Narrow = host::Narrow(Text);
  EXPECT_EQ(P.ConsoleLines(), (std::vector<std::string>{
                                  "SecurityExtractConfig: entry",
                                  "  Request:  " + Narrow,
                                  "GetVariable returned: Success",
                                  "PBA Status var",
                                  "GetVariable returned size of 0",
                                  "  Progress: ",
                                  "  Results:  " + Narrow + "&VALUE=00",
                              }));
  P.Console.clear();
  ASSERT_EQ(Extract(ForStore(u"TpmStatusVar", RequestElement(80, 1))).Status, EFI_SUCCESS);
  EXPECT_EQ(P.ConsoleLines()[4], "Clearing TPM Status Variable");
}

}  // namespace
