// SPDX-License-Identifier: BSD-2-Clause-Patent
// ExtractConfig and RouteConfig of the driver's configuration-access service.
#pragma once
#include "include/protocols/hii_config.h"

// Serves the store that Request names; Results is new pool that the caller frees. Returns
//   EFI_SUCCESS            *Results holds the store's configuration (BlockToConfig's answer);
//                          an absent "TpmStatusVar", "PbaStatusVar" or "HDD_Password_Status"
//                          is served as zeros (the latter two are created with them)
//   EFI_INVALID_PARAMETER  Request, Progress or Results is null (nothing is written); Request is
//                          empty or its header holds no usable name (*Progress = Request)
//   EFI_NOT_FOUND          Request is for none of the seven stores (*Progress = Request)
//   the size query's status  the store does not exist and is not served as zeros
//   EFI_OUT_OF_RESOURCES   no pool for the store's block
//   the read's status      GetVariable failed after a successful size query
//   BlockToConfig's error  the request does not fit the block (*Progress where it stopped)
EFI_STATUS EFIAPI SecurityExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Request,
                                        EFI_STRING *Progress, EFI_STRING *Results);
// Merges Configuration into the store it names and writes the store back at its stored size and
// attributes, after the page's rules (idle TPM request withdrawn, VT forced on with TXT, reset
// replacement armed by a change of the TXT switch). Returns
//   EFI_SUCCESS            stored; also for a "TpmStatusVar" string, which is discarded
//   EFI_INVALID_PARAMETER  Configuration or Progress is null (nothing is written); the header
//                          holds no usable name (*Progress = Configuration)
//   EFI_NOT_FOUND          Configuration is for none of the seven stores (*Progress = Configuration)
//   the size query's status  the variable cannot be found: routing never creates one
//   EFI_OUT_OF_RESOURCES   no pool for the store's block
//   the read's status      GetVariable failed after a successful size query
//   EFI_WRITE_PROTECTED    the variable's attributes carry authentication bits: it is not
//                          merged nor written (*Progress = Configuration)
//   ConfigToBlock's error  the configuration does not fit the block (*Progress where it
//                          stopped); nothing is written
//   SetVariable's status   the write back failed
EFI_STATUS EFIAPI SecurityRouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Configuration,
                                      EFI_STRING *Progress);
