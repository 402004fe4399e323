// SPDX-License-Identifier: BSD-2-Clause-Patent
// The driver's module-wide state put back to its values at image load. Tests
// and fuzz targets that boot the driver more than once in one process call
// ResetDriverGlobals() before each boot (and after tearing a platform down),
// so no reference into an earlier platform's pool or services is read,
// freed or compared against.
//
// A destroyed host::Platform releases every block its pool still holds
// (host::Pool::~Pool): what the driver kept (device lists, the saved
// lock-out text, UserManagerState) is already gone and is only forgotten
// here, never freed again. A new global in the driver belongs here too.
#pragma once
#include "callback/security_callback.h"
#include "config/reset_replacement.h"
#include "hdd/hdd_security_status.h"
#include "support/hii_strings.h"
#include "support/service_context.h"

inline void ResetDriverGlobals() {
  // support/service_context.h
  gImageHandle = NULL;
  gST = NULL;
  gBS = NULL;
  gRT = NULL;
  mLoadedImage = NULL;
  mHiiDatabase = NULL;
  mHiiConfigRouting = NULL;
  mFormBrowser2 = NULL;
  mHddPassword = NULL;
  mHddPasswordUi = NULL;
  mUserManager = NULL;
  mQelUserManager = NULL;
  mDriverHandle = NULL;
  mHiiHandle = NULL;
  UserManagerState = NULL;
  mOriginalStr = NULL;
  // config/reset_replacement.h
  mSavedResetSystem = NULL;
  // callback/security_callback.h
  mTextSetupBrowser = NULL;
  TxtStatusPending = 1;
  // hdd/hdd_security_status.h
  mHddDeviceList = NULL;
  mHddDeviceCount = 0;
  mHddPortOfDevice = NULL;
  for (UINTN Port = 0; Port < HDD_PORT_COUNT; Port++) {
    mHddPortState[Port] = HddPortState::NoDisk;
  }
  mDevicePathFromText = NULL;
  // support/hii_strings.h
  mHiiLibString = NULL;
  for (UINTN Index = 0; Index < LANGUAGE_TAG_SIZE; Index++) {
    mHiiLibLanguage[Index] = 0;
  }
}
