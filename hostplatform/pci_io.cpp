// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform PCI controllers: handles with a device path and PCI I/O.
#include "hostplatform/pci_io.h"

#include <cstring>
#include <string>

#include "hostplatform/platform.h"
#include "include/guids.h"

namespace host {

namespace {

// Configuration reads of width 8 only: the driver reads bytes.
EFI_STATUS EFIAPI PciRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT32 Offset, UINTN Count,
                          VOID *Buffer) {
  PciControllerFake *Fake = reinterpret_cast<PciControllerFake *>(This);
  Fake->Owner->Log.Add("PciIo.Pci.Read(" + std::to_string(Width) + "," + std::to_string(Offset) + "," +
                       std::to_string(Count) + ")");
  if (EFI_ERROR(Fake->ReadStatus)) {
    return Fake->ReadStatus;
  }
  if (Width != EfiPciIoWidthUint8) {
    return EFI_UNSUPPORTED;
  }
  if (Buffer == nullptr || Offset > Fake->Config.size() || Count > Fake->Config.size() - Offset) {
    return EFI_INVALID_PARAMETER;
  }
  std::memcpy(Buffer, Fake->Config.data() + Offset, Count);
  return EFI_SUCCESS;
}

}  // namespace

PciControllerFake::PciControllerFake(Platform *Owner, std::vector<UINT8> Path, const PciConfigSpace &Space)
    : Owner(Owner), Config(Space), DevicePath(std::move(Path)) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.Pci.Read = PciRead;
}

PciControllerFake &AddController(Platform &P, const std::vector<UINT8> &DevicePath, const PciConfigSpace &Config,
                                 bool WithPciIo) {
  PciControllerFake &Controller = P.PciControllers.emplace_back(&P, DevicePath, Config);
  P.Handles.Install(&Controller.Handle, &gEfiDevicePathProtocolGuid, Controller.DevicePath.data());
  if (WithPciIo) {
    P.Handles.Install(&Controller.Handle, &gEfiPciIoProtocolGuid, &Controller.Protocol);
  }
  return Controller;
}

PciConfigSpace PciConfigWithClass(UINT8 BaseClass, UINT8 SubClass) {
  PciConfigSpace Config{};
  Config[0x00] = 0x86;  // vendor 0x8086
  Config[0x01] = 0x80;
  Config[0x0A] = SubClass;
  Config[0x0B] = BaseClass;
  return Config;
}

std::vector<UINT8> PciControllerPath(UINT8 Device, UINT8 Function) {
  return {ACPI_DEVICE_PATH, ACPI_DP, 12, 0, 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0,  // PciRoot(0x0)
          HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, Function, Device,              // Pci(Device,Function)
          END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0};
}

}  // namespace host
