// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII string access in the platform language (the "PlatformLang" variable),
// through the HII String protocol. Current-language access reads and writes
// one language; package-wide access falls back to the package list's first
// language on reads and writes every language of the list.
#pragma once
#include "include/protocols/hii_string.h"

// One language tag: up to 42 ASCII characters and the NUL.
constexpr UINTN LANGUAGE_TAG_SIZE = 43;

// The HII String protocol, located on first use and kept; null until found.
extern EFI_HII_STRING_PROTOCOL *mHiiLibString;
// The current language tag, refreshed on every current-language access.
extern CHAR8 mHiiLibLanguage[LANGUAGE_TAG_SIZE];

// The HII String protocol, or null when it cannot be located (retried next time).
EFI_HII_STRING_PROTOCOL *HiiLibStringProtocol(VOID);
// mHiiLibLanguage, freshly filled from "PlatformLang".
CHAR8 *HiiLibCurrentLanguage(VOID);
// Fills Language with the tag of "PlatformLang", or "en-US" when it cannot be
// used; returns the status of the read.
EFI_STATUS HiiLibReadPlatformLanguage(CHAR8 *Language);

// The string in the current language, in a new pool buffer the caller frees.
EFI_STATUS HiiLibStrGet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String, EFI_FONT_INFO **FontInfo);
// Replaces the string of the current language.
EFI_STATUS HiiLibStrSet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String,
                        const EFI_FONT_INFO *FontInfo);

// Copies the tag at *List into Language and moves *List past it and its ';'.
VOID HiiLibSplitLanguage(CHAR8 **List, CHAR8 *Language);
// The ';'-separated language list of a package list in a new pool buffer, or null.
CHAR8 *HiiLibPackageLanguages(EFI_HII_HANDLE HiiHandle);
// Reads the string in the current language, else in the list's first language.
EFI_STATUS HiiLibStrGetAnyLanguage(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING String,
                                   UINTN *StringSize);
// Writes the string in every language of the list, stopping at the first failure.
EFI_STATUS HiiLibStrSetAllLanguages(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String);
// The string in any language (as HiiLibStrGetAnyLanguage) in a new pool
// buffer; the buffer stays with the caller also after a failed read.
EFI_STATUS HiiLibStrGetAlloc(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String);
