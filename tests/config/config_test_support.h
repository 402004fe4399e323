// SPDX-License-Identifier: BSD-2-Clause-Patent
// Configuration strings built the way the platform's routing and browser
// build them, a fixture that boots the driver on the host platform, and
// hardware answers that make the platform TXT-capable.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/security_config_access.h"
#include "hostplatform/platform.h"
#include "include/guids.h"
#include "support/service_context.h"
#include "tests/probes/hob_list_builder.h"

namespace cfgtest {

inline std::u16string Widen(const std::string &Text) { return std::u16string(Text.begin(), Text.end()); }

inline std::string Hex(const std::vector<UINT8> &Bytes, bool Upper = false) {
  std::string Out;
  char Pair[3];
  for (UINT8 Byte : Bytes) {
    std::snprintf(Pair, sizeof(Pair), Upper ? "%02X" : "%02x", Byte);
    Out += Pair;
  }
  return Out;
}

// The GUID's 16 bytes in memory order, two digits each.
inline std::u16string GuidField(const EFI_GUID &Guid, bool Upper = false) {
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(&Guid);
  return Widen(Hex(std::vector<UINT8>(Bytes, Bytes + 16), Upper));
}

// Four hex digits per UTF-16 character, as configuration routing writes NAME.
inline std::u16string HexName(const std::u16string &Name) {
  std::string Out;
  char Quad[5];
  for (CHAR16 Character : Name) {
    std::snprintf(Quad, sizeof(Quad), "%04x", static_cast<unsigned>(Character));
    Out += Quad;
  }
  return Widen(Out);
}

enum class NameForm { Plain, Hex };

// A header or request as the routing service echoes it in an answer: the
// hex letters A-F of every value lowered, the keywords kept.
inline std::u16string Echoed(const std::u16string &Text) {
  std::u16string Out;
  bool InValue = false;
  for (CHAR16 Character : Text) {
    if (Character == u'&') {
      InValue = false;
    } else if (Character == u'=') {
      InValue = true;
    } else if (InValue && Character >= u'A' && Character <= u'F') {
      Character = static_cast<CHAR16>(Character - u'A' + u'a');
    }
    Out += Character;
  }
  return Out;
}

// A fixed vendor device path (the driver handle's kind of path) with end node.
inline const std::u16string kPath = u"01041c00" u"72c19fefb2a19346b3276d32fc416042" u"0010000000000000" u"7fff0400";

inline std::u16string Header(const EFI_GUID &Guid, const std::u16string &Name, NameForm Form = NameForm::Hex,
                             bool UpperGuid = false) {
  return u"GUID=" + GuidField(Guid, UpperGuid) + u"&NAME=" + (Form == NameForm::Hex ? HexName(Name) : Name) +
         u"&PATH=" + kPath;
}

inline std::u16string Number(UINTN Value) {
  char Text[17];
  std::snprintf(Text, sizeof(Text), "%04llx", static_cast<unsigned long long>(Value));
  return Widen(Text);
}

inline std::u16string RequestElement(UINTN Offset, UINTN Width) {
  return u"&OFFSET=" + Number(Offset) + u"&WIDTH=" + Number(Width);
}

// VALUE carries the field as a little-endian number: last byte first.
inline std::u16string ValueDigits(const std::vector<UINT8> &Bytes) {
  return Widen(Hex(std::vector<UINT8>(Bytes.rbegin(), Bytes.rend())));
}

inline std::u16string ResponseElement(UINTN Offset, const std::vector<UINT8> &Bytes) {
  return RequestElement(Offset, Bytes.size()) + u"&VALUE=" + ValueDigits(Bytes);
}

inline std::vector<UINT8> Pattern(size_t Size, UINT8 Seed) {
  std::vector<UINT8> Bytes(Size);
  for (size_t Index = 0; Index < Size; Index++) {
    Bytes[Index] = static_cast<UINT8>(Seed + Index * 7);
  }
  return Bytes;
}

struct StoreInfo {
  const char16_t *Name;
  const EFI_GUID *Guid;
  size_t Size;
};
inline const StoreInfo kStores[7] = {
    {u"Setup", &gSetupVariableGuid, 868},          {u"TpmStatusVar", &gTpmStatusVarGuid, 82},
    {u"PbaStatusVar", &gPbaStatusVarGuid, 12},     {u"StatusSetupVar", &gStatusSetupVarGuid, 99},
    {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, 9}, {u"System", &gSystemConfigurationGuid, 21},
    {u"UserManagerVar", &gUserManagerVarGuid, 5},
};
inline const StoreInfo &Store(const std::u16string &Name) {
  for (const StoreInfo &Entry : kStores) {
    if (Name == Entry.Name) return Entry;
  }
  throw std::logic_error("no such store");
}

// Answers that pass all six tests of the TXT capability rule.
struct TxtPlatform {
  std::vector<UINT64> HobList;
  void MakeCapable(host::Platform &P, std::vector<UINT8> HobData = {0, 1, 0, 1}) {
    P.Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{0, 0, 0x40, 0};
    P.Hardware.TpmAccessByte = 0xA1;
    hobtest::HobListBuilder().Handoff().Guid(gTxtInfoHobGuid, HobData).BuildInto(HobList);
    P.SetConfigurationTable(gEfiHobListGuid, HobList.data());
  }
};

// Wraps the runtime variable services: logs each call into Platform::Log
// ("GetVariable(Name, size in)" / "SetVariable(Name, attributes, size)") and
// can fail the n-th read into a buffer of one variable.
struct VariableServiceHook {
  static inline EFI_GET_VARIABLE OriginalGet = nullptr;
  static inline EFI_SET_VARIABLE OriginalSet = nullptr;
  static inline std::u16string FailReadOf;
  static inline EFI_STATUS FailReadStatus = EFI_SUCCESS;

  static EFI_STATUS EFIAPI Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                               VOID *Data) {
    host::Platform::Active().Log.Add("GetVariable(" + host::Narrow(Name) + ", " + std::to_string(*DataSize) + ")");
    if (Data != nullptr && FailReadStatus != EFI_SUCCESS && FailReadOf == Name) {
      return FailReadStatus;
    }
    return OriginalGet(Name, Guid, Attributes, DataSize, Data);
  }
  static EFI_STATUS EFIAPI Set(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize,
                               const VOID *Data) {
    host::Platform::Active().Log.Add("SetVariable(" + host::Narrow(Name) + ", " + std::to_string(Attributes) + ", " +
                                     std::to_string(DataSize) + ")");
    return OriginalSet(Name, Guid, Attributes, DataSize, Data);
  }
  static void Install(host::Platform &P) {
    OriginalGet = P.RuntimeServices.GetVariable;
    OriginalSet = P.RuntimeServices.SetVariable;
    P.RuntimeServices.GetVariable = Get;
    P.RuntimeServices.SetVariable = Set;
    FailReadOf.clear();
    FailReadStatus = EFI_SUCCESS;
  }
};

// The driver started on a full host platform.
class DriverFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    P.InstallServices(Services());
    P.AddStandardAccounts();
    auto R = P.StartDriver();
    ASSERT_FALSE(R.Exited);
    P.Log.Clear();
    P.Console.clear();
  }
  virtual host::ServiceSet Services() { return host::ServiceSet(); }

  void Put(const std::u16string &Name, std::vector<UINT8> Data, UINT32 Attributes = 7) {
    P.Variables.Put(Name, *Store(Name).Guid, std::move(Data), Attributes);
  }
  std::vector<UINT8> Read(const std::u16string &Name) {
    auto Data = P.Variables.Read(Name, *Store(Name).Guid);
    EXPECT_TRUE(Data.has_value()) << host::Narrow(Name) << " missing";
    return Data.value_or(std::vector<UINT8>());
  }
  // A string for the store Name: its header (the store's GUID, NAME in Form), then Elements.
  static std::u16string ForStore(const std::u16string &Name, const std::u16string &Elements,
                                 NameForm Form = NameForm::Hex) {
    return Header(*Store(Name).Guid, Name, Form) + Elements;
  }
  size_t WritesOf(const std::u16string &Name) const {
    size_t Count = 0;
    for (const auto &Write : P.Variables.Writes()) Count += Write.Name == Name;
    return Count;
  }

  struct ExtractResult {
    EFI_STATUS Status;
    std::u16string Results;  // empty when none came back
    size_t ProgressIndex;    // npos when Progress was left alone
  };
  ExtractResult Extract(const std::u16string &Request) {
    EFI_STRING Progress = const_cast<EFI_STRING>(kUntouched);
    EFI_STRING Results = nullptr;
    EFI_STATUS Status = SecurityExtractConfig(nullptr, Request.c_str(), &Progress, &Results);
    ExtractResult Out{Status, u"", ProgressOf(Request, Progress)};
    if (Results != nullptr) {
      Out.Results = Results;
      EXPECT_TRUE(P.Memory.Owns(Results));
      P.Memory.Free(Results);
    }
    return Out;
  }
  struct RouteResult {
    EFI_STATUS Status;
    size_t ProgressIndex;
  };
  RouteResult Route(const std::u16string &Configuration) {
    EFI_STRING Progress = const_cast<EFI_STRING>(kUntouched);
    EFI_STATUS Status = SecurityRouteConfig(nullptr, Configuration.c_str(), &Progress);
    return RouteResult{Status, ProgressOf(Configuration, Progress)};
  }
  static size_t ProgressOf(const std::u16string &Text, EFI_STRING Progress) {
    if (Progress == kUntouched) return std::u16string::npos;
    return static_cast<size_t>(Progress - Text.c_str());
  }
  static inline const CHAR16 kUntouched[] = u"<untouched>";  // one object for all test files

  host::Platform P;
  TxtPlatform Txt;
};

}  // namespace cfgtest
