// The driver's module-wide state as it is when the image is loaded. A fuzz
// target runs many boots in one process; each iteration calls
// ResetDriverState() before it builds its host platform, so no reference of a
// previous iteration's platform (whose pool blocks and services are gone by
// then) is read, freed or compared against.
//
// A destroyed host::Platform releases every block its pool still holds
// (host::Pool::~Pool), so what the driver kept (device lists, the saved
// lock-out text, UserManagerState) is already released and must only be
// forgotten here, never freed again.
#pragma once
#include "callback/security_callback.h"
#include "config/reset_replacement.h"
#include "entry/service_context.h"
#include "hdd/hdd_security_status.h"
#include "support/hii_strings.h"

namespace fuzz {

inline void ResetDriverState() {
  // Service context (entry/service_context.h).
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
  // Hard-disk tables (hdd/hdd_security_status.h).
  mHddDeviceList = NULL;
  mHddDeviceCount = 0;
  mHddPortOfDevice = NULL;
  for (UINTN Port = 0; Port < HDD_PORT_COUNT; Port++) {
    mHddPortState[Port] = HDD_PORT_STATE_NO_DISK;
  }
  mDevicePathFromText = NULL;
  // Reset replacement (config/reset_replacement.h).
  mSavedResetSystem = NULL;
  // Browser callback (callback/security_callback.h).
  mTextSetupBrowser = NULL;
  TxtStatusPending = 1;
  // HII string access (support/hii_strings.h).
  mHiiLibString = NULL;
  for (UINTN Index = 0; Index < LANGUAGE_TAG_SIZE; Index++) {
    mHiiLibLanguage[Index] = 0;
  }
}

}  // namespace fuzz
