// SPDX-License-Identifier: BSD-2-Clause-Patent
// HII string access in the platform language, with the HII String service cached.
#include "support/hii_strings.h"

#include "include/guids.h"
#include "support/image_memory.h"
#include "support/memory.h"
#include "support/service_context.h"
#include "support/strings.h"

EFI_HII_STRING_PROTOCOL *mHiiLibString = NULL;
CHAR8 mHiiLibLanguage[LANGUAGE_TAG_SIZE];

namespace {

// First size tried for a package list's language list.
constexpr UINTN kLanguageListFirstSize = 4096;
// First buffer size for a string read in any language.
constexpr UINTN kStringFirstSize = 512;

}  // namespace

EFI_HII_STRING_PROTOCOL *HiiLibStringProtocol(VOID) {
  if (mHiiLibString == NULL) {
    VOID *Interface = NULL;
    if (!EFI_ERROR(gBS->LocateProtocol(&gEfiHiiStringProtocolGuid, NULL, &Interface))) {
      mHiiLibString = static_cast<EFI_HII_STRING_PROTOCOL *>(Interface);
    }
  }
  return mHiiLibString;
}

EFI_STATUS HiiLibReadPlatformLanguage(CHAR8 *Language) {
  UINTN Size = LANGUAGE_TAG_SIZE;
  EFI_STATUS Status = gRT->GetVariable(u"PlatformLang", &gEfiGlobalVariableGuid, NULL, &Size, Language);
  if (!EFI_ERROR(Status)) {
    if (Size < LANGUAGE_TAG_SIZE) {
      Language[Size] = 0;  // a value stored without its NUL still ends here
    } else {
      UINTN Length = 0;
      while (Length < LANGUAGE_TAG_SIZE && Language[Length] != 0) {
        Length++;
      }
      if (Length == LANGUAGE_TAG_SIZE) {
        // 43 characters without a NUL: longer than any tag we support.
        Status = EFI_BUFFER_TOO_SMALL;
      }
    }
  }
  if (EFI_ERROR(Status)) {
    AsciiCopy(Language, "en-US");
  }
  return Status;
}

CHAR8 *HiiLibCurrentLanguage(VOID) {
  HiiLibReadPlatformLanguage(mHiiLibLanguage);
  return mHiiLibLanguage;
}

EFI_STATUS HiiLibStrSet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String,
                        const EFI_FONT_INFO *FontInfo) {
  EFI_HII_STRING_PROTOCOL *Hii = HiiLibStringProtocol();
  if (Hii == NULL) {
    return EFI_NOT_READY;
  }
  return Hii->SetString(Hii, HiiHandle, StringId, HiiLibCurrentLanguage(), String, FontInfo);
}

EFI_STATUS HiiLibStrGet(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String,
                        EFI_FONT_INFO **FontInfo) {
  EFI_HII_STRING_PROTOCOL *Hii = HiiLibStringProtocol();
  if (Hii == NULL) {
    return EFI_NOT_READY;
  }
  const CHAR8 *Language = HiiLibCurrentLanguage();
  UINTN Size = 0;
  EFI_STATUS Status = Hii->GetString(Hii, Language, HiiHandle, StringId, NULL, &Size, FontInfo);
  if (Status != EFI_BUFFER_TOO_SMALL) {
    // A probe without a buffer cannot have read a text: a service that
    // answers it with success (or a warning) has broken its contract, and the
    // caller must not take success for a buffer.
    return EFI_ERROR(Status) ? Status : EFI_DEVICE_ERROR;
  }
  *String = static_cast<EFI_STRING>(AllocateClearedPool(Size));
  if (*String == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  Status = Hii->GetString(Hii, Language, HiiHandle, StringId, *String, &Size, FontInfo);
  if (EFI_ERROR(Status)) {
    // Success is the only case in which the caller takes the buffer.
    FreePoolIfPresent(*String);
    *String = NULL;
  }
  return Status;
}

VOID HiiLibSplitLanguage(CHAR8 **List, CHAR8 *Language) {
  if (List == NULL || *List == NULL) {
    Language[0] = 0;
    return;
  }
  CHAR8 *Cursor = *List;
  UINTN Length = 0;
  for (; *Cursor != 0 && *Cursor != ';'; Cursor++) {
    if (Length < LANGUAGE_TAG_SIZE - 1) {  // a longer tag is cut to fit
      Language[Length++] = *Cursor;
    }
  }
  Language[Length] = 0;
  if (*Cursor == ';') {
    Cursor++;
  }
  *List = Cursor;
}

CHAR8 *HiiLibPackageLanguages(EFI_HII_HANDLE HiiHandle) {
  EFI_HII_STRING_PROTOCOL *Hii = HiiLibStringProtocol();
  if (Hii == NULL) {
    return NULL;
  }
  UINTN Size = kLanguageListFirstSize;
  CHAR8 *List = static_cast<CHAR8 *>(AllocateBootDataPool(Size));
  if (List == NULL) {
    return NULL;
  }
  EFI_STATUS Status = Hii->GetLanguages(Hii, HiiHandle, List, &Size);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    FreePoolIfPresent(List);
    List = static_cast<CHAR8 *>(AllocateBootDataPool(Size));
    if (List == NULL) {
      return NULL;
    }
    Status = Hii->GetLanguages(Hii, HiiHandle, List, &Size);
  }
  if (EFI_ERROR(Status)) {
    FreePoolIfPresent(List);
    return NULL;
  }
  return List;
}

EFI_STATUS HiiLibStrGetAnyLanguage(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING String,
                                   UINTN *StringSize) {
  EFI_HII_STRING_PROTOCOL *Hii = HiiLibStringProtocol();
  if (Hii == NULL) {
    return EFI_NOT_READY;
  }
  CHAR8 Language[LANGUAGE_TAG_SIZE];
  HiiLibReadPlatformLanguage(Language);
  EFI_STATUS Status = Hii->GetString(Hii, Language, HiiHandle, StringId, String, StringSize, NULL);
  if (Status == EFI_SUCCESS || Status == EFI_BUFFER_TOO_SMALL) {
    return Status;
  }
  // Not in the current language: the list's first language, and only that one.
  CHAR8 *List = HiiLibPackageLanguages(HiiHandle);
  CHAR8 *Cursor = List;
  HiiLibSplitLanguage(&Cursor, Language);
  FreePoolIfPresent(List);
  return Hii->GetString(Hii, Language, HiiHandle, StringId, String, StringSize, NULL);
}

EFI_STATUS HiiLibStrSetAllLanguages(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, const CHAR16 *String) {
  EFI_HII_STRING_PROTOCOL *Hii = HiiLibStringProtocol();
  if (Hii == NULL) {
    return EFI_NOT_READY;
  }
  CHAR8 *List = HiiLibPackageLanguages(HiiHandle);
  if (List == NULL) {
    return EFI_NOT_FOUND;
  }
  EFI_STATUS Status = EFI_SUCCESS;
  CHAR8 Language[LANGUAGE_TAG_SIZE];
  for (CHAR8 *Cursor = List; *Cursor != 0 && !EFI_ERROR(Status);) {
    HiiLibSplitLanguage(&Cursor, Language);
    Status = Hii->SetString(Hii, HiiHandle, StringId, Language, String, NULL);
  }
  FreePoolIfPresent(List);
  return Status;
}

EFI_STATUS HiiLibStrGetAlloc(EFI_HII_HANDLE HiiHandle, EFI_STRING_ID StringId, EFI_STRING *String) {
  if (String == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN Size = kStringFirstSize;
  *String = static_cast<EFI_STRING>(AllocateClearedPool(Size));
  if (*String == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = HiiLibStrGetAnyLanguage(HiiHandle, StringId, *String, &Size);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    FreePoolIfPresent(*String);
    *String = static_cast<EFI_STRING>(AllocateClearedPool(Size));
    if (*String == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
    Status = HiiLibStrGetAnyLanguage(HiiHandle, StringId, *String, &Size);
  }
  return Status;
}
