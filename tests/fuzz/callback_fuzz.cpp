// SPDX-License-Identifier: BSD-2-Clause-Patent
// The browser callback (SecurityCallback) after a driver start-up on the host
// platform, over arbitrary service answers: account profiles (names, password
// states, the signed-in user, failing lookups, dialog outcomes), hard-disk
// device lists (counts, controllers with arbitrary device paths and PCI
// classes, handles that are no handles, names of any length or none, any
// security words), "PlatformLang" of any size and content, and HII String
// answers (long or empty texts, failing reads and writes, UI service
// languages of any length), and a pool that runs out now and then. A sequence
// of callbacks, with the answers changed between them, is chosen by the input.
//
// After each call: no variable changed but "System" through MaxPasswordLength
// and MinPasswordLength, and only the byte of that question, written with the attributes it
// has and never when they carry authentication bits; the value union is written only
// for a retrieved question, and only its first byte; the action request only
// for ChangesSavedExit; the pool holds what it held before except the hard-disk
// lists of the last refresh; the UI service's device name is 40 characters at
// most.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "callback/security_callback.h"
#include "config/variable_stores.h"
#include "forms/security_page_ids.h"
#include "hdd/hdd_security_status.h"
#include "hostplatform/pci_io.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "support/service_context.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/driver_globals.h"

namespace {

using namespace SecurityQuestion;

const EFI_STATUS kFailures[] = {EFI_NOT_FOUND, EFI_DEVICE_ERROR, EFI_ACCESS_DENIED, EFI_OUT_OF_RESOURCES,
                                EFI_UNSUPPORTED, EFI_INVALID_PARAMETER};
template <size_t N>
EFI_STATUS Pick(fuzz::Input &In, const EFI_STATUS (&Statuses)[N]) {
  return Statuses[In.Below(N)];
}
// Mostly success, sometimes a failure.
EFI_STATUS MostlySuccess(fuzz::Input &In, size_t Odds) {
  return In.Below(Odds) == 0 ? Pick(In, kFailures) : EFI_SUCCESS;
}

std::string AsciiText(fuzz::Input &In, size_t MaxLength) {
  std::string Text;
  for (size_t Length = In.Below(MaxLength); Length > 0; Length--) {
    UINT8 Byte = In.Byte();
    Text += static_cast<char>(Byte == 0 ? 'x' : Byte);
  }
  return Text;
}

std::u16string WideText(fuzz::Input &In, size_t MaxLength) {
  std::u16string Text;
  if (In.Bool()) {
    Text.assign(In.Below(MaxLength), static_cast<CHAR16>(u'a' + In.Below(26)));
  } else {
    for (size_t Length = In.Below(MaxLength / 8 + 1); Length > 0; Length--) {
      CHAR16 Character = In.U16();
      Text += Character == 0 ? u'?' : Character;
    }
  }
  return Text;
}

// Objects the platform's answers point at; they outlive the platform.
struct Storage {
  std::deque<std::string> Names;
  int NotAHandle = 0;
};

// ---------------------------------------------------------------- services
void MakeAccounts(fuzz::Input &In, host::Platform &P) {
  static const char16_t *const Names[] = {u"Supervisor", u"User", u"supervisor", u"Supervisor ", u"", u"USER"};
  size_t Count = In.Below(4) != 0 ? 2 : In.Below(5);
  for (size_t Index = 0; Index < Count; Index++) {
    std::u16string Name;
    if (Count == 2 && In.Below(4) != 0) {
      Name = Index == 0 ? u"Supervisor" : u"User";
    } else {
      Name = In.Below(3) != 0 ? std::u16string(Names[In.Below(6)]) : WideText(In, 300);
    }
    P.Users.Add(Name, In.Bool());
  }
  switch (In.Below(6)) {
    case 0:
      P.UserManager.CurrentUser = u"User";
      break;
    case 1:
      P.UserManager.CurrentUser = WideText(In, 20);
      break;
    default:
      P.UserManager.CurrentUser = u"Supervisor";
      break;
  }
}

void MakeAccountAnswers(fuzz::Input &In, host::Platform &P) {
  P.UserManager.CurrentStatus = MostlySuccess(In, 16);
  P.QelUserManager.GetUsernameStatus = MostlySuccess(In, 16);
  P.QelUserManager.ProbeStatus = MostlySuccess(In, 4);
  P.QelUserManager.NextEnroll = static_cast<host::EnrollOutcome>(In.Below(3));
  P.QelUserManager.FindProfileFailures.clear();
  if (In.Below(6) == 0) P.QelUserManager.FindProfileFailures[In.Bool() ? u"Supervisor" : u"User"] = Pick(In, kFailures);
  P.QelUserManager.FindListInfoOverrideName.clear();
  if (In.Below(6) == 0) {
    P.QelUserManager.FindListInfoOverrideName = In.Bool() ? u"Supervisor" : u"User";
    P.QelUserManager.FindListInfoOverride = In.Bool() ? EFI_SUCCESS : Pick(In, kFailures);
  }
}

void MakePlatformLanguage(fuzz::Input &In, host::Platform &P) {
  P.Variables.Remove(u"PlatformLang", gEfiGlobalVariableGuid);
  static const char *const Tags[] = {"en-US", "fr-FR", "ja-JP", "ko-KR", "en", "de-DE"};
  std::vector<UINT8> Bytes;
  switch (In.Below(5)) {
    case 0:
      return;  // absent
    case 1: {
      for (size_t Length = In.Below(100); Length > 0; Length--) Bytes.push_back(In.Byte());
      break;
    }
    case 2: {
      // Around the 43-byte buffer: 41 to 45 bytes, with or without a NUL at the end.
      Bytes.assign(41 + In.Below(5), static_cast<UINT8>('a' + In.Below(26)));
      if (In.Bool()) Bytes.back() = 0;
      break;
    }
    default: {
      const char *Tag = Tags[In.Below(6)];
      Bytes.assign(Tag, Tag + std::strlen(Tag));
      if (In.Below(4) != 0) Bytes.push_back(0);
      break;
    }
  }
  P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, Bytes, 6);
}

// A device path: the port table's controller paths, or a chain of arbitrary
// nodes closed by an end node (a node may be shorter than its header: the
// walk must stop at it).
std::vector<UINT8> MakeDevicePath(fuzz::Input &In) {
  if (In.Below(3) != 0) {
    return host::PciControllerPath(0x1F, In.Bool() ? 2 : 5);
  }
  std::vector<UINT8> Path;
  for (size_t Nodes = In.Below(5); Nodes > 0; Nodes--) {
    UINT8 Type = In.Below(4) != 0 ? static_cast<UINT8>(1 + In.Below(4)) : In.Byte();
    UINT8 SubType = In.Byte();
    size_t Length = In.Below(10) == 0 ? In.Below(4) : 4 + In.Below(24);
    Path.insert(Path.end(), {Type, SubType, static_cast<UINT8>(Length), 0});
    for (size_t Index = 4; Index < Length; Index++) Path.push_back(In.Byte());
    if (Length < 4) break;
  }
  Path.insert(Path.end(), {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0});
  return Path;
}

void MakeControllers(fuzz::Input &In, host::Platform &P, std::vector<EFI_HANDLE> &Controllers) {
  for (size_t Count = In.Below(4); Count > 0; Count--) {
    const UINT8 SubClasses[] = {PCI_CLASS_MASS_STORAGE_IDE, PCI_CLASS_MASS_STORAGE_IDE, 0x06, 0x00};
    host::PciConfigSpace Config =
        In.Below(6) != 0 ? host::PciConfigWithClass(PCI_CLASS_MASS_STORAGE, SubClasses[In.Below(4)])
                         : host::PciConfigWithClass(In.Byte(), In.Byte());
    host::PciControllerFake &Controller = host::AddController(P, MakeDevicePath(In), Config, In.Below(6) != 0);
    Controller.ReadStatus = MostlySuccess(In, 10);
    Controllers.push_back(Controller.Handle);
  }
}

void MakeDisks(fuzz::Input &In, host::Platform &P, Storage &Keep, const std::vector<EFI_HANDLE> &Controllers) {
  host::HddPasswordFake &Hdd = P.HddPassword;
  Hdd.Devices.clear();
  for (size_t Count = In.Below(9); Count > 0; Count--) {
    HDD_PASSWORD_DEVICE_INFO Device{};
    size_t Handle = In.Below(Controllers.size() + 2);
    Device.DeviceHandle = Handle < Controllers.size() ? Controllers[Handle]
                          : Handle == Controllers.size() ? nullptr
                                                          : static_cast<EFI_HANDLE>(&Keep.NotAHandle);
    if (In.Below(5) != 0) {
      Keep.Names.push_back(AsciiText(In, 120));
      Device.DeviceName = const_cast<CHAR8 *>(Keep.Names.back().c_str());
    }
    Device.Channel = In.Below(5) != 0 ? static_cast<UINT16>(In.Below(2)) : In.U16();
    Device.Device = In.Below(5) != 0 ? static_cast<UINT16>(In.Below(2)) : In.U16();
    const UINT16 Words[] = {0x0000, 0x0001, 0x0003, 0x0009, 0x0013, 0x0019, 0x0021};
    Device.SecurityStatus = In.Below(4) != 0 ? Words[In.Below(7)] : In.U16();
    const UINT16 Ids[] = {0x5858, 0x4444};
    Device.MasterPasswordId = In.Below(4) != 0 ? Ids[In.Below(2)] : In.U16();
    Hdd.Devices.push_back(Device);
  }
  Hdd.Status = MostlySuccess(In, 8);
  Hdd.OverrideCount = In.Below(6) == 0;
  Hdd.ReportedCount = In.Bool() ? In.Below(12) : In.U64();
}

// Texts of the driver's own list (the saved message, hint strings) and failures of the HII String service.
void MakeHiiAnswers(fuzz::Input &In, host::Platform &P) {
  static const char *const Languages[] = {"en-US", "fr-FR", "ja-JP", "ko-KR"};
  for (size_t Count = In.Below(4); Count > 0; Count--) {
    const EFI_STRING_ID Ids[] = {87, 1, 2, 117};
    EFI_STRING_ID Id = In.Below(3) != 0 ? Ids[In.Below(4)] : static_cast<EFI_STRING_ID>(1 + In.Below(117));
    P.HiiString.Changed[{mHiiHandle, Languages[In.Below(4)], Id}] = WideText(In, 700);
  }
  P.HiiString.GetStringStatus = MostlySuccess(In, 8);
  P.HiiString.GetStringFailFrom = 1 + In.Below(4);
  P.HiiString.GetLanguagesStatus = MostlySuccess(In, 10);
  P.HiiString.SetStringStatus = MostlySuccess(In, 8);
  P.HiiString.FailSetStringLanguage = In.Bool() ? "" : Languages[In.Below(4)];
}

void MakeUiService(fuzz::Input &In, host::Platform &P) {
  if (In.Below(5) == 0) {
    return;  // the UI service has no package list: UiHiiHandle stays null
  }
  static const char *const Tags[] = {"en-US", "fr-FR", "ja-JP", "de"};
  std::vector<std::string> Languages;
  for (size_t Count = 1 + In.Below(3); Count > 0; Count--) {
    Languages.push_back(In.Below(4) != 0 ? std::string(Tags[In.Below(4)]) : std::string(1 + In.Below(60), 'q'));
  }
  P.HddPasswordUi.RegisterPackageList(Languages);
  if (In.Below(8) == 0) P.HddPasswordUi.Protocol.DeviceNameStringId = static_cast<EFI_STRING_ID>(In.Below(6));
}

void PutSystem(fuzz::Input &In, host::Platform &P) {
  if (In.Below(5) == 0) return;
  size_t Size = In.Below(4) != 0 ? 21 : In.Below(40);
  std::vector<UINT8> Bytes = In.Bytes(Size);
  const UINT32 Attributes[] = {7, 7, 7, 7, 3, 0x27};
  P.Variables.Put(u"System", gSystemConfigurationGuid, Bytes, Attributes[In.Below(6)]);
  if (In.Below(10) == 0) P.Variables.FailGet(u"System", Pick(In, kFailures));
  if (In.Below(10) == 0) P.Variables.FailSet(u"System", Pick(In, kFailures));
}

void PutSetup(fuzz::Input &In, host::Platform &P) {
  if (In.Below(4) == 0) return;
  const size_t Sizes[] = {868, 868, 702, 703, 869};
  std::vector<UINT8> Bytes(Sizes[In.Below(5)], 0);
  if (Bytes.size() > 702) Bytes[702] = In.Bool() ? 1 : In.Byte();
  P.Variables.Put(u"Setup", gSetupVariableGuid, Bytes);
}

// ---------------------------------------------------------------- checks
size_t ListBytes(host::Platform &P) {
  return P.Memory.BlockSize(mHddDeviceList) + P.Memory.BlockSize(mHddPortOfDevice);
}
size_t ListBlocks() { return (mHddDeviceList != nullptr ? 1 : 0) + (mHddPortOfDevice != nullptr ? 1 : 0); }

bool RetrievedQuestion(EFI_QUESTION_ID Question) {
  return (Question >= HddCount && Question <= HddPort5State) || Question == SupervisorPasswordStatus ||
         Question == CurrentUserIsSupervisor || Question == UserPasswordStatus || Question == TpmPresent ||
         Question == TxtCapable;
}

EFI_QUESTION_ID PickQuestion(fuzz::Input &In) {
  // The page's questions, and 10022: an ID beside port 0's password pair that no question has.
  static const EFI_QUESTION_ID Questions[] = {
      CurrentUserIsSupervisor, UserPasswordStatus, SupervisorPasswordStatus, HddCount, HddPort0State, HddPort1State,
      HddPort2State, HddPort3State, HddPort4State, HddPort5State, TpmPresent, TxtCapable,
      SetSupervisorPassword, SupervisorHint, SetUserPassword, UserHint, MaxPasswordLength, MinPasswordLength,
      MinPasswordLengthCopy, ChangesSavedExit, TpmSupport, TpmChangeRequest, TxtEnable,
      HddPort0UserPassword, HddPort0UserPassword + 1, 10022, HddPort1UserPassword, HddPort1UserPassword + 1,
      HddPort2UserPassword, HddPort2UserPassword + 1, HddPort3UserPassword, HddPort3UserPassword + 1,
      HddPort4UserPassword, HddPort4UserPassword + 1, HddPort5UserPassword, HddPort5UserPassword + 1,
  };
  size_t Count = sizeof(Questions) / sizeof(Questions[0]);
  size_t Index = In.Below(Count + 1);
  return Index < Count ? Questions[Index] : In.U16();
}

EFI_BROWSER_ACTION PickAction(fuzz::Input &In) {
  switch (In.Below(10)) {
    case 0:
      return EFI_BROWSER_ACTION_CHANGING;
    case 1:
      return EFI_BROWSER_ACTION_FORM_OPEN;
    case 2:
      return In.Bool() ? EFI_BROWSER_ACTION_FORM_CLOSE : In.U64();
    case 3:
    case 4:
    case 5:
      return EFI_BROWSER_ACTION_RETRIEVE;
    default:
      return EFI_BROWSER_ACTION_CHANGED;
  }
}

void RunCallback(fuzz::Input &In, host::Platform &P, bool BrowserServicePresent) {
  EFI_BROWSER_ACTION Action = PickAction(In);
  EFI_QUESTION_ID Question = PickQuestion(In);
  EFI_IFR_TYPE_VALUE Value;
  std::memset(&Value, 0xC3, sizeof(Value));
  Value.u8 = In.Byte();
  if (In.Bool()) {
    const EFI_STRING_ID Ids[] = {0, 1, 87, 117, 118, 0xFFFF};
    Value.string = In.Below(3) != 0 ? Ids[In.Below(6)] : In.U16();
  }
  EFI_IFR_TYPE_VALUE Sent = Value;
  EFI_BROWSER_ACTION_REQUEST Request = 0x5A5A;
  EFI_IFR_TYPE_VALUE *ValueArgument = In.Below(16) == 0 ? nullptr : &Value;
  EFI_BROWSER_ACTION_REQUEST *RequestArgument = In.Below(16) == 0 ? nullptr : &Request;

  std::vector<host::Variable> Before = P.Variables.All();
  size_t WritesBefore = P.Variables.Writes().size();
  size_t BytesBefore = P.Memory.LiveBytes() - ListBytes(P);
  size_t BlocksBefore = P.Memory.LiveBlocks() - ListBlocks();
  size_t FormsBefore = P.FormBrowser.Calls.size();

  // Sometimes the pool runs out at one of the call's first allocations.
  P.Memory.FailNthAllocation(In.Below(6) == 0 ? 1 + In.Below(4) : 0);
  EFI_STATUS Status = SecurityCallback(nullptr, Action, Question, EFI_IFR_TYPE_NUM_SIZE_8, ValueArgument,
                                       RequestArgument);
  P.Memory.FailNthAllocation(0);

  if (!BrowserServicePresent) {
    CHECK(Status == EFI_NOT_FOUND);
  }
  // Every SetVariable of the call, refused ones included: "System" only, with
  // the attributes it has, which carry no authentication bits.
  for (size_t Index = WritesBefore; Index < P.Variables.Writes().size(); Index++) {
    const auto &Write = P.Variables.Writes()[Index];
    const host::Variable *Old = nullptr;
    for (const host::Variable &Entry : Before) {
      if (Entry.Name == Write.Name && host::SameGuid(Entry.Guid, Write.Guid)) Old = &Entry;
    }
    CHECK(Write.Name == u"System" && Old != nullptr);
    CHECK(Write.Attributes == Old->Attributes && MayWriteBack(Old->Attributes));
  }
  // Variables: only "System", only through its two length questions, only their byte.
  const std::vector<host::Variable> &After = P.Variables.All();
  CHECK(After.size() == Before.size());
  for (const host::Variable &Old : Before) {
    const host::Variable *New = nullptr;
    for (const host::Variable &Entry : After) {
      if (Entry.Name == Old.Name && host::SameGuid(Entry.Guid, Old.Guid)) New = &Entry;
    }
    CHECK(New != nullptr && New->Attributes == Old.Attributes && New->Data.size() == Old.Data.size());
    bool System = Old.Name == u"System" && host::SameGuid(Old.Guid, gSystemConfigurationGuid);
    size_t Allowed = Question == MaxPasswordLength ? 17 : Question == MinPasswordLength ? 18 : SIZE_MAX;
    for (size_t Index = 0; Index < Old.Data.size(); Index++) {
      if (System && Action == EFI_BROWSER_ACTION_CHANGED && Index == Allowed && ValueArgument != nullptr) {
        CHECK(New->Data[Index] == Old.Data[Index] || New->Data[Index] == Sent.u8);
      } else {
        CHECK(New->Data[Index] == Old.Data[Index]);
      }
    }
  }
  // The value union: the first byte of a retrieved question, nothing else.
  if (ValueArgument != nullptr) {
    const UINT8 *Now = reinterpret_cast<const UINT8 *>(&Value);
    const UINT8 *Then = reinterpret_cast<const UINT8 *>(&Sent);
    for (size_t Index = 1; Index < sizeof(Value); Index++) CHECK(Now[Index] == Then[Index]);
    if (!(Action == EFI_BROWSER_ACTION_RETRIEVE && RetrievedQuestion(Question))) {
      CHECK(Now[0] == Then[0]);
    } else if (Status == EFI_SUCCESS && Question != TxtCapable && Question != HddCount) {
      CHECK(Value.u8 <= (Question >= HddPort0State && Question <= HddPort5State ? 7 : 1));
    } else if (Status == EFI_SUCCESS && Question == HddCount) {
      CHECK(Value.u8 <= HDD_MAX_DEVICES);
    }
  }
  // The action request: ChangesSavedExit only.
  if (Action == EFI_BROWSER_ACTION_CHANGED && Question == ChangesSavedExit && RequestArgument != nullptr &&
      Status == EFI_SUCCESS) {
    CHECK(Request == EFI_BROWSER_ACTION_REQUEST_EXIT);
  } else {
    CHECK(Request == 0x5A5A);
  }
  // Pool: nothing kept but the lists of the last refresh.
  CHECK(P.Memory.LiveBytes() - ListBytes(P) == BytesBefore);
  CHECK(P.Memory.LiveBlocks() - ListBlocks() == BlocksBefore);
  CHECK(P.Memory.BadFrees() == 0);
  // Hard-disk tables.
  CHECK(mHddDeviceCount <= HDD_MAX_DEVICES);
  CHECK((mHddDeviceList == nullptr) == (mHddPortOfDevice == nullptr));
  CHECK(mHddDeviceList == nullptr || P.Memory.Owns(mHddDeviceList));
  CHECK(mHddPortOfDevice == nullptr || P.Memory.Owns(mHddPortOfDevice));
  for (UINTN Port = 0; Port < HDD_PORT_COUNT; Port++) CHECK(mHddPortState[Port] <= 7);
  // A dialog launch names the disk in 40 characters at most, in every language of the UI service.
  if (P.FormBrowser.Calls.size() != FormsBefore) {
    CHECK(P.FormBrowser.Calls.size() == FormsBefore + 1);
    const HDD_PASSWORD_UI_PROTOCOL &Ui = P.HddPasswordUi.Protocol;
    CHECK(Ui.PasswordKind == 1 || Ui.PasswordKind == 2);
    CHECK(Ui.DeviceIndex == 0 || Ui.DeviceIndex < mHddDeviceCount);
    for (const std::string &Language : P.HiiString.Languages(Ui.UiHiiHandle)) {
      auto Text = P.HiiString.Text(Ui.UiHiiHandle, Language, Ui.DeviceNameStringId);
      CHECK(!Text || Text->size() <= 40 || Ui.DeviceNameStringId != host::HddPasswordUiFake::NameStringId);
    }
  }
  for (const auto &PopUp : P.TextSetupBrowser.PopUps) CHECK(PopUp.Lines.size() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Input In(Data, Size);
  Storage Keep;  // declared first: outlives the platform that points into it
  ResetDriverGlobals();
  std::unique_ptr<host::Platform> P(new host::Platform());

  host::ServiceSet Services;
  Services.TextSetupBrowser = In.Below(16) != 0;
  Services.PlatformReset = In.Bool();
  P->InstallServices(Services);
  MakeAccounts(In, *P);
  std::vector<EFI_HANDLE> Controllers;
  MakeControllers(In, *P, Controllers);
  MakeUiService(In, *P);
  host::Platform::EntryResult Started = P->StartDriver();
  if (Started.Exited || Started.Returned != EFI_SUCCESS) {
    __builtin_trap();  // every service the start-up needs is present
  }
  MakeAccountAnswers(In, *P);
  MakePlatformLanguage(In, *P);
  MakeDisks(In, *P, Keep, Controllers);
  MakeHiiAnswers(In, *P);
  PutSystem(In, *P);
  PutSetup(In, *P);

  for (size_t Calls = 1 + In.Below(8); Calls > 0; Calls--) {
    // Answers change between calls as the platform's state does.
    switch (In.Below(8)) {
      case 0:
        MakeDisks(In, *P, Keep, Controllers);
        break;
      case 1:
        MakeAccountAnswers(In, *P);
        break;
      case 2:
        MakePlatformLanguage(In, *P);
        break;
      case 3:
        MakeHiiAnswers(In, *P);
        break;
      default:
        break;
    }
    RunCallback(In, *P, Services.TextSetupBrowser);
  }
  return 0;
}
