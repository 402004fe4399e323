#include "hdd/hdd_security_status.h"

HDD_PASSWORD_DEVICE_INFO *mHddDeviceList = NULL;
UINTN mHddDeviceCount = 0;
UINT16 *mHddPortOfDevice = NULL;
UINT8 mHddPortState[HDD_PORT_COUNT] = {5, 5, 5, 5, 5, 5};

// Placeholder until enumeration is in place: no disks.
UINTN RefreshHddSecurityStatus(VOID) { return 0; }
UINTN GetHddIndexFromPort(UINT16) { return 0; }
