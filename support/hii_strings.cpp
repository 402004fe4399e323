#include "support/hii_strings.h"

// Placeholder until string access is in place: no HII String service.
EFI_STATUS HiiLibStrGet(EFI_HII_HANDLE, EFI_STRING_ID, EFI_STRING *, EFI_FONT_INFO **) { return EFI_NOT_READY; }
EFI_STATUS HiiLibStrSet(EFI_HII_HANDLE, EFI_STRING_ID, const CHAR16 *, const EFI_FONT_INFO *) { return EFI_NOT_READY; }
EFI_STATUS HiiLibStrGetAlloc(EFI_HII_HANDLE, EFI_STRING_ID, EFI_STRING *) { return EFI_NOT_READY; }
EFI_STATUS HiiLibStrSetAllLanguages(EFI_HII_HANDLE, EFI_STRING_ID, const CHAR16 *) { return EFI_NOT_READY; }
