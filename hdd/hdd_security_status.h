// Hard-disk enumeration, placement on the six IDE positions and per-position
// ATA security state.
#pragma once
#include "include/device_path.h"
#include "include/protocols/device_path_from_text.h"
#include "include/protocols/hdd_password.h"

#define HDD_PORT_COUNT 6
#define HDD_MAX_DEVICES 6
#define HDD_PORT_STATE_NO_DISK 5

// The list of the last successful refresh (null before it), its entry count
// and the port number of each entry. The three always describe the same list.
extern HDD_PASSWORD_DEVICE_INFO *mHddDeviceList;
extern UINTN mHddDeviceCount;
extern UINT16 *mHddPortOfDevice;
extern UINT8 mHddPortState[HDD_PORT_COUNT];
// The device-path-from-text service, located by the first conversion that finds it.
extern EFI_DEVICE_PATH_FROM_TEXT_PROTOCOL *mDevicePathFromText;
// Device-path text of each position, in port order, closed by a null entry.
extern const CHAR16 *const mHddPortDevicePathText[HDD_PORT_COUNT + 1];

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
