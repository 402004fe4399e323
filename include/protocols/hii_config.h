// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_HII_CONFIG_ROUTING_PROTOCOL and EFI_HII_CONFIG_ACCESS_PROTOCOL.
#pragma once
#include "include/uefi_types.h"

typedef UINTN EFI_BROWSER_ACTION;
typedef UINTN EFI_BROWSER_ACTION_REQUEST;

#define EFI_BROWSER_ACTION_CHANGING 0
#define EFI_BROWSER_ACTION_CHANGED 1
#define EFI_BROWSER_ACTION_RETRIEVE 2
#define EFI_BROWSER_ACTION_SUBMITTED 3
#define EFI_BROWSER_ACTION_FORM_OPEN 0x1000
#define EFI_BROWSER_ACTION_FORM_CLOSE 0x1001

#define EFI_BROWSER_ACTION_REQUEST_NONE 0
#define EFI_BROWSER_ACTION_REQUEST_RESET 1
#define EFI_BROWSER_ACTION_REQUEST_SUBMIT 2
#define EFI_BROWSER_ACTION_REQUEST_EXIT 3

struct EFI_HII_TIME {
  UINT8 Hour;
  UINT8 Minute;
  UINT8 Second;
};
struct EFI_HII_DATE {
  UINT16 Year;
  UINT8 Month;
  UINT8 Day;
};
struct EFI_HII_REF {
  EFI_QUESTION_ID QuestionId;
  EFI_FORM_ID FormId;
  EFI_GUID FormSetGuid;
  EFI_STRING_ID DevicePath;
};

union EFI_IFR_TYPE_VALUE {
  UINT8 u8;
  UINT16 u16;
  UINT32 u32;
  UINT64 u64;
  BOOLEAN b;
  EFI_HII_TIME time;
  EFI_HII_DATE date;
  EFI_STRING_ID string;
  EFI_HII_REF ref;
};
static_assert(sizeof(EFI_IFR_TYPE_VALUE) == 24, "IFR type value");

#define EFI_IFR_TYPE_NUM_SIZE_8 0x00
#define EFI_IFR_TYPE_STRING 0x07

struct EFI_HII_CONFIG_ROUTING_PROTOCOL {
  EFI_STATUS(EFIAPI *ExtractConfig)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *Request,
                                    EFI_STRING *Progress, EFI_STRING *Results);
  EFI_STATUS(EFIAPI *ExportConfig)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, EFI_STRING *Results);
  EFI_STATUS(EFIAPI *RouteConfig)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *Configuration,
                                  EFI_STRING *Progress);
  EFI_STATUS(EFIAPI *BlockToConfig)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *ConfigRequest,
                                    const UINT8 *Block, UINTN BlockSize, EFI_STRING *Config, EFI_STRING *Progress);
  EFI_STATUS(EFIAPI *ConfigToBlock)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *ConfigResp,
                                    UINT8 *Block, UINTN *BlockSize, EFI_STRING *Progress);
  EFI_STATUS(EFIAPI *GetAltConfig)(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *ConfigResp,
                                   const EFI_GUID *Guid, const CHAR16 *Name, const VOID *DevicePath,
                                   const UINT16 *AltCfgId, EFI_STRING *AltCfgResp);
};
static_assert(sizeof(EFI_HII_CONFIG_ROUTING_PROTOCOL) == 48, "config routing protocol: 6 members");
static_assert(__builtin_offsetof(EFI_HII_CONFIG_ROUTING_PROTOCOL, BlockToConfig) == 24, "BlockToConfig slot");
static_assert(__builtin_offsetof(EFI_HII_CONFIG_ROUTING_PROTOCOL, ConfigToBlock) == 32, "ConfigToBlock slot");

struct EFI_HII_CONFIG_ACCESS_PROTOCOL {
  EFI_STATUS(EFIAPI *ExtractConfig)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Request,
                                    EFI_STRING *Progress, EFI_STRING *Results);
  EFI_STATUS(EFIAPI *RouteConfig)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Configuration,
                                  EFI_STRING *Progress);
  EFI_STATUS(EFIAPI *Callback)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                               EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
                               EFI_BROWSER_ACTION_REQUEST *ActionRequest);
};
static_assert(sizeof(EFI_HII_CONFIG_ACCESS_PROTOCOL) == 24, "config access protocol: 3 members");
