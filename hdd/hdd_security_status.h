// SPDX-License-Identifier: BSD-2-Clause-Patent
// Hard-disk enumeration, placement on the six IDE positions and per-position
// ATA security state.
#pragma once
#include "forms/security_page_ids.h"
#include "include/device_path.h"
#include "include/protocols/device_path_from_text.h"
#include "include/protocols/hdd_password.h"

// The fixed IDE positions, and the most disks the service is asked for.
constexpr UINTN HDD_PORT_COUNT = 6;
constexpr UINTN HDD_MAX_DEVICES = 6;

// The list of the last successful refresh (null before it), its entry count
// and the port number of each entry. The three always describe the same list.
extern HDD_PASSWORD_DEVICE_INFO *mHddDeviceList;
extern UINTN mHddDeviceCount;
extern UINT16 *mHddPortOfDevice;
// One HddPortState code per port (forms/security_page_ids.h), HddPortState::NoDisk at first.
extern UINT8 mHddPortState[HDD_PORT_COUNT];
// The device-path-from-text service, located by the first conversion that
// finds it and kept; null until then.
extern EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL *mDevicePathFromText;

// Room for the longest position text, "PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Master,0x0)", and its NUL.
constexpr UINTN HDD_PORT_TEXT_LENGTH = 54;

// Device-path text of position Port, in port order:
//   0 PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Master,0x0)
//   1 PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Master,0x0)
//   2 PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Primary,Slave,0x0)
//   3 PciRoot(0x0)/Pci(0x1f,0x2)/Ata(Secondary,Slave,0x0)
//   4 PciRoot(0x0)/Pci(0x1f,0x5)/Ata(Primary,Master,0x0)
//   5 PciRoot(0x0)/Pci(0x1f,0x5)/Ata(Secondary,Master,0x0)
// FALSE past the last position.
BOOLEAN HddPortDevicePathText(UINT16 Port, CHAR16 Text[HDD_PORT_TEXT_LENGTH]);

// Asks the hard-disk password service for its disks and recomputes the port
// states; returns the device count.
UINTN RefreshHddSecurityStatus(VOID);
// Index into mHddDeviceList of the first device on Port; 0 when none.
UINTN GetHddIndexFromPort(UINT16 Port);

// The position whose device-path text names the disk of Device; fails when
// its controller is no IDE-class PCI function or no position matches.
EFI_STATUS GetHddPortNumber(const HDD_PASSWORD_DEVICE_INFO *Device, UINT16 *Port);
// Converts Text with the device-path-from-text service; *Path may be null
// (unconvertible text) on success. The caller frees *Path.
EFI_STATUS TextToDevicePath(const CHAR16 *Text, EFI_DEVICE_PATH_PROTOCOL **Path);
