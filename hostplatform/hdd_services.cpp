#include "hostplatform/hdd_services.h"

#include <cstring>

#include "hostplatform/platform.h"

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
  std::memcpy(List, Fake->Devices.data(), Written * sizeof(HDD_PASSWORD_DEVICE_INFO));
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
}

}  // namespace host
