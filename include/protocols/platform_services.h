// SPDX-License-Identifier: BSD-2-Clause-Patent
// Small platform services: the text setup browser's pop-up, the platform
// reset protocol and the form-set record this driver publishes.
#pragma once
#include "include/uefi_types.h"

typedef EFI_STATUS(EFIAPI *TEXT_SETUP_BROWSER_UNUSED)(VOID);

struct TEXT_SETUP_BROWSER_PROTOCOL {
  TEXT_SETUP_BROWSER_UNUSED Entry0;
  TEXT_SETUP_BROWSER_UNUSED Entry1;
  TEXT_SETUP_BROWSER_UNUSED Entry2;
  TEXT_SETUP_BROWSER_UNUSED Entry3;
  TEXT_SETUP_BROWSER_UNUSED Entry4;
  // One message box of LineCount lines; the driver passes (NULL, NULL, 1, list).
  EFI_STATUS(EFIAPI *ShowPopUp)(VOID *Reserved1, VOID *Reserved2, UINTN LineCount, CHAR16 **Lines);
};
static_assert(__builtin_offsetof(TEXT_SETUP_BROWSER_PROTOCOL, ShowPopUp) == 5 * 8, "ShowPopUp is the sixth entry");

struct PLATFORM_RESET_PROTOCOL;
struct PLATFORM_RESET_PROTOCOL {
  // Resets the platform; bit 1 of Request asks for a full power cycle.
  EFI_STATUS(EFIAPI *ResetPlatform)(PLATFORM_RESET_PROTOCOL *This, UINT8 Request);
};
static_assert(sizeof(PLATFORM_RESET_PROTOCOL) == 8, "platform reset protocol: first member");

constexpr UINT8 PLATFORM_RESET_REQUEST_POWER_CYCLE = 0x02;

struct QEL_FORM_SET_PROTOCOL {
  UINT32 Size;  // 16
  UINT16 Type;  // QEL_FORM_SET_TYPE_SETUP_PAGE
  UINT16 Reserved;
  EFI_HII_HANDLE HiiHandle;
};
// The Type this driver's record carries. What it means belongs to the components that read
// the record; they expect 2 for a page of the setup program.
constexpr UINT16 QEL_FORM_SET_TYPE_SETUP_PAGE = 2;
static_assert(sizeof(QEL_FORM_SET_PROTOCOL) == 16, "form-set record is 16 bytes");
static_assert(__builtin_offsetof(QEL_FORM_SET_PROTOCOL, HiiHandle) == 8, "HiiHandle at offset 8");
