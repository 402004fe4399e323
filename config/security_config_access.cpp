#include "config/security_config_access.h"

// Placeholder until extraction and routing are in place: nothing is served.
EFI_STATUS EFIAPI SecurityExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *, EFI_STRING *,
                                        EFI_STRING *) {
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI SecurityRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *, EFI_STRING *) {
  return EFI_UNSUPPORTED;
}
