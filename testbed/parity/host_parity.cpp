// SPDX-License-Identifier: BSD-2-Clause-Patent
// The parity record taken on the host platform: the driver started on a host
// platform set up like the testbed machine of the firmware checks at its
// first boot, then the scenarios of testbed/parity/parity_record.cpp, printed
// one line each on standard output.
//
//   quorvane_host_parity [--unique-id HEX] [--replay FIRMWARE_RECORD]
//
// --unique-id: the unique id of the driver handle's device path (the
//   firmware's monotonic count at start-up), so that both records address
//   the same path.
// --replay: the firmware's record. The host platform has no routing-level
//   ExtractConfig and RouteConfig (the driver never calls them), so for the
//   through-routing steps the driver gets exactly what the firmware's routing
//   service handed it there ("parity routing-driver ..." lines). Without it,
//   those steps send the request as built, and a header-only request, which
//   the firmware's routing expands from the form first, is not sent at all.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "hostplatform/platform.h"
#include "include/device_path.h"
#include "include/guids.h"
#include "include/protocols/platform_services.h"
#include "testbed/parity/parity_record.h"

namespace {

struct ReplayedCall {
  std::string Kind;  // "extract" or "route"
  std::string Store;
  std::string Case;
  std::u16string Text;  // the request or configuration
};

std::vector<ReplayedCall> mReplay;
bool mHaveReplay = false;

// Undoes the record's \uXXXX escapes.
std::u16string Unescape(const std::string &Text) {
  std::u16string Out;
  for (size_t Index = 0; Index < Text.size(); Index++) {
    if (Text[Index] == '\\' && Index + 5 < Text.size() && Text[Index + 1] == 'u') {
      Out += static_cast<CHAR16>(std::strtoul(Text.substr(Index + 2, 4).c_str(), nullptr, 16));
      Index += 5;
    } else {
      Out += static_cast<CHAR16>(static_cast<unsigned char>(Text[Index]));
    }
  }
  return Out;
}

// "parity routing-driver extract <store> <case> request=<text> status=..."
// "parity routing-driver route <store> <case> configuration=<text> status=..."
bool ReadReplay(const char *Path) {
  std::ifstream File(Path);
  if (!File) {
    return false;
  }
  const std::string Prefix = "parity routing-driver ";
  std::string Line;
  while (std::getline(File, Line)) {
    if (Line.compare(0, Prefix.size(), Prefix) != 0) {
      continue;
    }
    std::vector<std::string> Words;
    size_t Start = Prefix.size();
    for (int Word = 0; Word < 4; Word++) {
      size_t Blank = Line.find(' ', Start);
      if (Blank == std::string::npos) {
        break;
      }
      Words.push_back(Line.substr(Start, Blank - Start));
      Start = Blank + 1;
    }
    if (Words.size() != 4) {
      continue;
    }
    size_t Equals = Words[3].find('=');
    if (Equals == std::string::npos) {
      continue;
    }
    mReplay.push_back(ReplayedCall{Words[0], Words[1], Words[2], Unescape(Words[3].substr(Equals + 1))});
  }
  return true;
}

std::string StoreName(UINTN Store) { return host::Narrow(mParityStores[Store].Name); }

VOID HostExtractThroughRouting(PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN HeaderOnly) {
  std::vector<std::u16string> Requests;
  if (mHaveReplay) {
    for (const ReplayedCall &Call : mReplay) {
      if (Call.Kind == "extract" && Call.Store == StoreName(Store) && Call.Case == ParityRoutingCase(HeaderOnly)) {
        Requests.push_back(Call.Text);
      }
    }
  } else if (!HeaderOnly) {
    static PARITY_TEXT Request;
    ParityRoutingRequest(&Request, Platform, Store, HeaderOnly);
    Requests.push_back(Request.Data);
  }
  for (const std::u16string &Request : Requests) {
    EFI_STRING Progress = nullptr, Results = nullptr;
    EFI_STATUS Status = Platform->Driver->ExtractConfig(Platform->Driver, Request.c_str(), &Progress, &Results);
    ParityExtractLine(Platform, "routing-driver", Store, ParityRoutingCase(HeaderOnly), Request.c_str(), Status,
                      Progress, EFI_ERROR(Status) ? nullptr : Results);
    if (!EFI_ERROR(Status) && Results != nullptr) {
      Platform->System->BootServices->FreePool(Results);
    }
  }
}

VOID HostRouteThroughRouting(PARITY_PLATFORM *Platform, UINTN Store, BOOLEAN) {
  std::vector<std::u16string> Configurations;
  if (mHaveReplay) {
    for (const ReplayedCall &Call : mReplay) {
      if (Call.Kind == "route" && Call.Store == StoreName(Store)) {
        Configurations.push_back(Call.Text);
      }
    }
  } else {
    static PARITY_TEXT Configuration;
    ParityRoutingConfiguration(&Configuration, Platform, Store);
    Configurations.push_back(Configuration.Data);
  }
  for (const std::u16string &Configuration : Configurations) {
    EFI_STRING Progress = nullptr;
    EFI_STATUS Status = Platform->Driver->RouteConfig(Platform->Driver, Configuration.c_str(), &Progress);
    ParityRouteLine(Platform, "routing-driver", Store, "route", Configuration.c_str(), Status, Progress);
  }
}

VOID WriteLine(const CHAR8 *Line) { std::printf("%s\n", Line); }

// The variables testbed/services/platform_service.cpp creates at the first
// boot of a machine without a TPM in the scenario txt=1, and the platform
// language it sets.
void CreatePlatformVariables(host::Platform &P) {
  std::vector<UINT8> Setup(868, 0);
  Setup[702] = 1;  // TXT capable, as the scenario says
  P.Variables.Put(u"Setup", gSetupVariableGuid, Setup);
  std::vector<UINT8> System(21, 0);
  System[10] = 1;                                                // TPM support
  System[17] = 20;                                               // maximum password length
  System[18] = 1;                                                // minimum password length
  P.Variables.Put(u"System", gSystemConfigurationGuid, System);  // bytes 13-15: no TPM
  P.Variables.Put(u"StatusSetupVar", gStatusSetupVarGuid, std::vector<UINT8>(99, 0));
  P.Variables.Put(u"UserManagerVar", gUserManagerVarGuid, std::vector<UINT8>(5, 0));
  const char English[] = "en-US";
  P.Variables.Put(u"PlatformLang", gEfiGlobalVariableGuid, std::vector<UINT8>(English, English + sizeof(English)));
}

UINTN PathSize(const UINT8 *Path, UINTN Capacity) {
  UINTN Size = 0;
  while (Size + 4 <= Capacity) {
    UINTN Length = Path[Size + 2] | (Path[Size + 3] << 8);
    if (Length < 4 || Size + Length > Capacity) {
      return 0;
    }
    Size += Length;
    if (Path[Size - Length] == END_DEVICE_PATH_TYPE && Path[Size - Length + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return Size;
    }
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: quorvane_host_parity [--unique-id HEX] [--replay FIRMWARE_RECORD]\n");
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  UINT64 UniqueId = 0x1000;
  const char *Replay = nullptr;
  for (int Index = 1; Index < argc; Index++) {
    std::string Argument = argv[Index];
    if (Argument == "--unique-id" && Index + 1 < argc) {
      UniqueId = std::strtoull(argv[++Index], nullptr, 16);
    } else if (Argument == "--replay" && Index + 1 < argc) {
      Replay = argv[++Index];
    } else {
      return Usage();
    }
  }
  if (Replay != nullptr) {
    if (!ReadReplay(Replay)) {
      std::fprintf(stderr, "cannot read %s\n", Replay);
      return 2;
    }
    mHaveReplay = true;
  }

  host::Platform P;
  host::ServiceSet Services;
  Services.PlatformReset = true;  // the testbed's platform service installs it
  P.InstallServices(Services);
  P.AddStandardAccounts();          // "Supervisor" signed in, no passwords yet
  P.Hardware.TpmAccessByte = 0xFF;  // no TPM: the testbed maps a floating bus there
  CreatePlatformVariables(P);
  P.NextMonotonicCount = UniqueId;
  host::Platform::EntryResult Started = P.StartDriver();
  if (Started.Exited) {
    std::fprintf(stderr, "the driver exited with %llx\n", static_cast<unsigned long long>(Started.ExitStatus));
    return 1;
  }

  static PARITY_PLATFORM Parity;
  Parity.System = &P.SystemTable;
  Parity.Routing = &P.ConfigRouting.Protocol;
  Parity.WriteLine = WriteLine;
  Parity.ExtractThroughRouting = HostExtractThroughRouting;
  Parity.RouteThroughRouting = HostRouteThroughRouting;
  Parity.UnlockCallback = P.QelUserManager.Unlock.Registered ? P.QelUserManager.Unlock.Callback : nullptr;
  QEL_FORM_SET_PROTOCOL *Record = nullptr;
  if (P.Handles.LocateProtocol(&gQelFormSetProtocolGuid, reinterpret_cast<VOID **>(&Record)) == EFI_SUCCESS) {
    Parity.HiiHandle = Record->HiiHandle;
  }
  std::vector<EFI_HANDLE> Drivers = P.Handles.HandlesWith(gEfiHiiConfigAccessProtocolGuid);
  if (Drivers.size() != 1) {
    std::fprintf(stderr, "expected one configuration-access instance, found %zu\n", Drivers.size());
    return 1;
  }
  Parity.Driver =
      static_cast<EFI_HII_CONFIG_ACCESS_PROTOCOL *>(P.Handles.InterfaceOn(Drivers[0], gEfiHiiConfigAccessProtocolGuid));
  const UINT8 *Path = static_cast<const UINT8 *>(P.Handles.InterfaceOn(Drivers[0], gEfiDevicePathProtocolGuid));
  if (Path != nullptr) {
    Parity.DriverPathSize = PathSize(Path, sizeof(Parity.DriverPath));
    std::memcpy(Parity.DriverPath, Path, Parity.DriverPathSize);
  }
  RunParityRecord(&Parity);
  return 0;
}
