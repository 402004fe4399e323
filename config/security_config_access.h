// ExtractConfig and RouteConfig of the driver's configuration-access service.
#pragma once
#include "include/protocols/hii_config.h"

EFI_STATUS EFIAPI SecurityExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Request,
                                        EFI_STRING *Progress, EFI_STRING *Results);
EFI_STATUS EFIAPI SecurityRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Configuration,
                                      EFI_STRING *Progress);
