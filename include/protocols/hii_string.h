// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_HII_STRING_PROTOCOL.
#pragma once
#include "include/uefi_types.h"

struct EFI_FONT_INFO;

struct EFI_HII_STRING_PROTOCOL {
  EFI_STATUS(EFIAPI *NewString)(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList,
                                EFI_STRING_ID *StringId, const CHAR8 *Language, const CHAR16 *LanguageName,
                                const CHAR16 *String, const EFI_FONT_INFO *StringFontInfo);
  EFI_STATUS(EFIAPI *GetString)(const EFI_HII_STRING_PROTOCOL *This, const CHAR8 *Language,
                                EFI_HII_HANDLE PackageList, EFI_STRING_ID StringId, EFI_STRING String,
                                UINTN *StringSize, EFI_FONT_INFO **StringFontInfo);
  EFI_STATUS(EFIAPI *SetString)(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList,
                                EFI_STRING_ID StringId, const CHAR8 *Language, const CHAR16 *String,
                                const EFI_FONT_INFO *StringFontInfo);
  EFI_STATUS(EFIAPI *GetLanguages)(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList,
                                   CHAR8 *Languages, UINTN *LanguagesSize);
  EFI_STATUS(EFIAPI *GetSecondaryLanguages)(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList,
                                            const CHAR8 *PrimaryLanguage, CHAR8 *SecondaryLanguages,
                                            UINTN *SecondaryLanguagesSize);
};
static_assert(sizeof(EFI_HII_STRING_PROTOCOL) == 40, "HII string protocol: 5 members");
