// Hard-disk enumeration, placement on the six IDE positions and per-position
// ATA security state.
#pragma once
#include "include/protocols/hdd_password.h"

#define HDD_PORT_COUNT 6
#define HDD_MAX_DEVICES 6
#define HDD_PORT_STATE_NO_DISK 5

extern HDD_PASSWORD_DEVICE_INFO *mHddDeviceList;
extern UINTN mHddDeviceCount;
extern UINT16 *mHddPortOfDevice;
extern UINT8 mHddPortState[HDD_PORT_COUNT];

// Asks the hard-disk password service for its disks and recomputes the port
// states; returns the device count.
UINTN RefreshHddSecurityStatus(VOID);
// Index into mHddDeviceList of the first device on Port; 0 when none.
UINTN GetHddIndexFromPort(UINT16 Port);
