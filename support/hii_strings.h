// HII string access in the platform language (the "PlatformLang" variable),
// through the HII String protocol.
#pragma once
#include "include/protocols/hii_string.h"

#define LANGUAGE_TAG_SIZE 43

EFI_STATUS HiiLibStrGet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String, EFI_FONT_INFO **FontInfo);
EFI_STATUS HiiLibStrSet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String,
                        const EFI_FONT_INFO *FontInfo);
EFI_STATUS HiiLibStrGetAlloc(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String);
EFI_STATUS HiiLibStrSetAllLanguages(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String);
