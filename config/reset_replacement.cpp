// SPDX-License-Identifier: BSD-2-Clause-Patent
// The runtime ResetSystem replacement that a change of the TXT switch arms.
#include "config/reset_replacement.h"

#include "include/guids.h"
#include "include/protocols/platform_services.h"
#include "support/service_context.h"

EFI_RESET_SYSTEM mSavedResetSystem = NULL;

// The runtime services table carries a CRC32 of its header that consumers check.
static VOID UpdateRuntimeServicesCrc(VOID) {
  UINT32 Crc = 0;
  gRT->Hdr.CRC32 = 0;
  gBS->CalculateCrc32(gRT, gRT->Hdr.HeaderSize, &Crc);
  gRT->Hdr.CRC32 = Crc;
}

// Exit-boot-services notification: the replacement must not outlive boot
// services. A service that someone installed over it is left alone.
static VOID EFIAPI RestoreFirmwareResetSystem(EFI_EVENT, VOID *) {
  if (gRT->ResetSystem == SecurityResetSystem) {
    gRT->ResetSystem = mSavedResetSystem;
    UpdateRuntimeServicesCrc();
  }
}

VOID EFIAPI SecurityResetSystem(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize, VOID *ResetData) {
  PLATFORM_RESET_PROTOCOL *PlatformReset = NULL;
  if (!EFI_ERROR(gBS->LocateProtocol(&gPlatformResetProtocolGuid, NULL, reinterpret_cast<VOID **>(&PlatformReset))) &&
      PlatformReset != NULL) {
    // A reset service does not return to its caller: should the platform
    // refuse, the firmware's own service resets the machine instead.
    if (!EFI_ERROR(PlatformReset->ResetPlatform(PlatformReset, PLATFORM_RESET_REQUEST_POWER_CYCLE))) {
      return;
    }
  }
  if (mSavedResetSystem != NULL) {
    mSavedResetSystem(ResetType, ResetStatus, DataSize, ResetData);
  }
}

VOID InstallResetReplacement(VOID) {
  // Installed once already: mSavedResetSystem keeps the firmware's service,
  // never SecurityResetSystem or a service chained in front of it.
  if (mSavedResetSystem != NULL) {
    return;
  }
  EFI_EVENT RestoreEvent;
  if (EFI_ERROR(gBS->CreateEvent(EVT_SIGNAL_EXIT_BOOT_SERVICES, TPL_NOTIFY, RestoreFirmwareResetSystem, NULL,
                                 &RestoreEvent))) {
    return;
  }
  mSavedResetSystem = gRT->ResetSystem;
  gRT->ResetSystem = SecurityResetSystem;
  UpdateRuntimeServicesCrc();
}
