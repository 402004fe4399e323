// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform hard-disk password service and its UI service.
#include "hostplatform/hdd_services.h"

#include <cstddef>
#include <cstring>

#include "hostplatform/platform.h"
#include "include/guids.h"
#include "include/protocols/hii_database.h"

namespace host {

namespace {

EFI_STATUS EFIAPI GetDeviceInfoList(HDD_PASSWORD_PROTOCOL *This, UINTN *Count, HDD_PASSWORD_DEVICE_INFO *List) {
  HddPasswordFake *Fake = reinterpret_cast<HddPasswordFake *>(This);
  Fake->Owner->Log.Add("HddPassword.GetDeviceInfoList");
  if (Count == nullptr || List == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (EFI_ERROR(Fake->Status)) {
    return Fake->Status;
  }
  // The driver offers room for six entries; the fake never writes more.
  size_t Written = Fake->Devices.size() < 6 ? Fake->Devices.size() : 6;
  if (Written != 0) {
    std::memcpy(List, Fake->Devices.data(), Written * sizeof(HDD_PASSWORD_DEVICE_INFO));
  }
  *Count = Fake->OverrideCount ? Fake->ReportedCount : Fake->Devices.size();
  return Fake->Status;
}

}  // namespace

HddPasswordFake::HddPasswordFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.GetDeviceInfoList = GetDeviceInfoList;
}

HddPasswordUiFake::HddPasswordUiFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.DeviceNameStringId = NameStringId;
}

namespace {

void AddLe(std::vector<UINT8> &Bytes, UINT32 Value, size_t Count) {
  for (size_t Index = 0; Index < Count; Index++) {
    Bytes.push_back(static_cast<UINT8>(Value >> (8 * Index)));
  }
}

void AddUcs2String(std::vector<UINT8> &Bytes, const std::string &Text) {
  Bytes.push_back(EFI_HII_SIBT_STRING_UCS2);
  for (char C : Text) {
    AddLe(Bytes, static_cast<UINT8>(C), 2);
  }
  AddLe(Bytes, 0, 2);
}

std::vector<UINT8> StringPackage(const std::string &Language) {
  UINT32 HdrSize = static_cast<UINT32>(offsetof(EFI_HII_STRING_PACKAGE_HDR, Language) + Language.size() + 1);
  std::vector<UINT8> Package(4);  // package header, filled last
  AddLe(Package, HdrSize, 4);
  AddLe(Package, HdrSize, 4);                  // strings follow the header
  Package.resize(Package.size() + 32, 0);      // language window
  AddLe(Package, 1, 2);                        // language name: string 1
  Package.insert(Package.end(), Language.begin(), Language.end());
  Package.push_back(0);
  AddUcs2String(Package, Language);
  AddUcs2String(Package, "Hard Disk Password");
  AddUcs2String(Package, "Hard Disk");
  Package.push_back(EFI_HII_SIBT_END);
  UINT32 Header = static_cast<UINT32>(Package.size()) | (static_cast<UINT32>(EFI_HII_PACKAGE_STRINGS) << 24);
  std::memcpy(Package.data(), &Header, 4);
  return Package;
}

}  // namespace

EFI_HII_HANDLE HddPasswordUiFake::RegisterPackageList(const std::vector<std::string> &Languages) {
  std::vector<UINT8> List(sizeof(EFI_HII_PACKAGE_LIST_HEADER));
  for (const auto &Language : Languages) {
    std::vector<UINT8> Package = StringPackage(Language);
    List.insert(List.end(), Package.begin(), Package.end());
  }
  AddLe(List, 4 | (static_cast<UINT32>(EFI_HII_PACKAGE_END) << 24), 4);
  EFI_HII_PACKAGE_LIST_HEADER Header{gHddPasswordUiProtocolGuid, static_cast<UINT32>(List.size())};
  std::memcpy(List.data(), &Header, sizeof(Header));
  Protocol.UiHiiHandle = Owner->HiiDatabase.Register(List, nullptr);
  return Protocol.UiHiiHandle;
}

}  // namespace host
