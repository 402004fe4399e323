// SPDX-License-Identifier: BSD-2-Clause-Patent
// The software model of the ATA security feature set that the testbed gives QEMU's disk.
#include "testbed/services/ata_security_model.h"

#include "testbed/support/scenario.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

// IDENTIFY DEVICE word 128, security status.
constexpr UINT16 kSupported = 0x0001;
constexpr UINT16 kEnabled = 0x0002;
constexpr UINT16 kLocked = 0x0004;
constexpr UINT16 kFrozen = 0x0008;
constexpr UINT16 kCountExpired = 0x0010;
// Word 82 bit 1: the security feature set is supported.
constexpr UINT16 kCommandSetSecurity = 0x0002;

struct NamedState {
  const CHAR8 *Name;
  UINT16 Status;
  BOOLEAN MasterSet;
};
const NamedState kStates[] = {
    {"none", kSupported, FALSE},
    {"user", kSupported | kEnabled, FALSE},
    {"master", kSupported, TRUE},
    {"user-master", kSupported | kEnabled, TRUE},
    {"locked", kSupported | kEnabled | kLocked, FALSE},
    {"frozen", kSupported | kFrozen, FALSE},
    {"expired", kSupported | kEnabled | kLocked | kCountExpired, FALSE},
};

BOOLEAN mActive;
UINT16 mStatus;
BOOLEAN mMasterSet;

VOID LogState(const CHAR8 *What) {
  LogEvent("hdd model %a word128=%x word92=%x", (UINT64)What, (UINT64)mStatus,
           (UINT64)(mMasterSet ? kAtaMasterPasswordIdSet : kAtaMasterPasswordIdNone));
}

}  // namespace

BOOLEAN AtaSecurityModelFromScenario(EFI_RUNTIME_SERVICES *RT) {
  CHAR8 Name[32];
  if (!ScenarioValue(RT, "hdd-security", Name, sizeof(Name))) {
    return FALSE;
  }
  for (const NamedState &State : kStates) {
    if (AsciiEqual(Name, State.Name)) {
      mActive = TRUE;
      mStatus = State.Status;
      mMasterSet = State.MasterSet;
      LogState(State.Name);
      return TRUE;
    }
  }
  LogEvent("hdd model unknown state %a", (UINT64)Name);
  return FALSE;
}

BOOLEAN AtaSecurityModelActive() { return mActive; }

VOID AtaSecurityModelApply(UINT16 *Identify) {
  Identify[82] |= kCommandSetSecurity;
  Identify[92] = mMasterSet ? kAtaMasterPasswordIdSet : kAtaMasterPasswordIdNone;
  Identify[128] = mStatus;
}

EFI_STATUS AtaSecurityModelSetPassword(BOOLEAN Master) {
  if ((mStatus & (kLocked | kFrozen)) != 0) {
    LogState("set-password aborted");
    return EFI_DEVICE_ERROR;
  }
  if (Master) {
    mMasterSet = TRUE;
  } else {
    mStatus |= kEnabled;
  }
  LogState(Master ? "master password set" : "user password set");
  return EFI_SUCCESS;
}
