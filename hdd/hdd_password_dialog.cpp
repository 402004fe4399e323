#include "hdd/hdd_password_dialog.h"

// Placeholder until the dialog launch is in place.
EFI_STATUS LaunchHddPasswordDialog(UINT32, UINTN) { return EFI_SUCCESS; }
