// SPDX-License-Identifier: BSD-2-Clause-Patent
// Base types, status codes and calling convention of the UEFI environment.
// Shared by the driver, the host test platform and the firmware testbed.
#pragma once

#if defined(__x86_64__) || defined(_M_X64)
#else
#error "Quorvane is an x86-64 driver"
#endif

typedef unsigned char UINT8;
typedef signed char INT8;
typedef unsigned short UINT16;
typedef short INT16;
typedef unsigned int UINT32;
typedef int INT32;
typedef unsigned long long UINT64;
typedef long long INT64;
typedef UINT64 UINTN;
typedef INT64 INTN;
typedef unsigned char BOOLEAN;
typedef char CHAR8;       // ASCII: language tags and device names
typedef char16_t CHAR16;  // UCS-2 / UTF-16
typedef void VOID;

typedef UINTN EFI_STATUS;
typedef VOID *EFI_HANDLE;
typedef VOID *EFI_EVENT;
typedef UINTN EFI_TPL;
typedef UINT64 EFI_PHYSICAL_ADDRESS;
typedef UINT64 EFI_VIRTUAL_ADDRESS;
typedef CHAR16 *EFI_STRING;
typedef UINT16 EFI_STRING_ID;
typedef UINT16 EFI_QUESTION_ID;
typedef UINT16 EFI_FORM_ID;
typedef UINT16 EFI_VARSTORE_ID;
typedef VOID *EFI_HII_HANDLE;

#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)
#ifndef NULL
#define NULL nullptr
#endif

// Every service table member uses the Microsoft x64 convention, in the
// image and on the host alike, so host tests call through the same ABI.
#define EFIAPI __attribute__((ms_abi))

static_assert(sizeof(UINT8) == 1 && sizeof(UINT16) == 2 && sizeof(UINT32) == 4 && sizeof(UINT64) == 8,
              "fixed-width UEFI types");
static_assert(sizeof(UINTN) == sizeof(VOID *), "UINTN is pointer width");
static_assert(sizeof(CHAR16) == 2, "CHAR16 is UCS-2");

// ---------------------------------------------------------------- status codes
#define EFI_MAX_BIT 0x8000000000000000ULL
#define EFIERR(a) (EFI_MAX_BIT | (a))
#define EFI_ERROR(s) (((INTN)(EFI_STATUS)(s)) < 0)

#define EFI_SUCCESS 0ULL
#define EFI_LOAD_ERROR EFIERR(1)
#define EFI_INVALID_PARAMETER EFIERR(2)
#define EFI_UNSUPPORTED EFIERR(3)
#define EFI_BAD_BUFFER_SIZE EFIERR(4)
#define EFI_BUFFER_TOO_SMALL EFIERR(5)
#define EFI_NOT_READY EFIERR(6)
#define EFI_DEVICE_ERROR EFIERR(7)
#define EFI_WRITE_PROTECTED EFIERR(8)
#define EFI_OUT_OF_RESOURCES EFIERR(9)
#define EFI_VOLUME_CORRUPTED EFIERR(10)
#define EFI_VOLUME_FULL EFIERR(11)
#define EFI_NO_MEDIA EFIERR(12)
#define EFI_MEDIA_CHANGED EFIERR(13)
#define EFI_NOT_FOUND EFIERR(14)
#define EFI_ACCESS_DENIED EFIERR(15)
#define EFI_NO_RESPONSE EFIERR(16)
#define EFI_NO_MAPPING EFIERR(17)
#define EFI_TIMEOUT EFIERR(18)
#define EFI_NOT_STARTED EFIERR(19)
#define EFI_ALREADY_STARTED EFIERR(20)
#define EFI_ABORTED EFIERR(21)
#define EFI_ICMP_ERROR EFIERR(22)
#define EFI_TFTP_ERROR EFIERR(23)
#define EFI_PROTOCOL_ERROR EFIERR(24)
#define EFI_INVALID_LANGUAGE EFIERR(32)

#define EFI_WARN_UNKNOWN_GLYPH 1ULL
#define EFI_WARN_DELETE_FAILURE 2ULL
#define EFI_WARN_WRITE_FAILURE 3ULL
#define EFI_WARN_BUFFER_TOO_SMALL 4ULL

// ---------------------------------------------------------------- GUID
struct EFI_GUID {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
};
static_assert(sizeof(EFI_GUID) == 16, "EFI_GUID is 16 bytes");
static_assert(__builtin_offsetof(EFI_GUID, Data4) == 8, "EFI_GUID layout");

struct EFI_TIME {
  UINT16 Year;
  UINT8 Month;
  UINT8 Day;
  UINT8 Hour;
  UINT8 Minute;
  UINT8 Second;
  UINT8 Pad1;
  UINT32 Nanosecond;
  INT16 TimeZone;
  UINT8 Daylight;
  UINT8 Pad2;
};
static_assert(sizeof(EFI_TIME) == 16, "EFI_TIME is 16 bytes");

enum EFI_MEMORY_TYPE : UINT32 {
  EfiReservedMemoryType,
  EfiLoaderCode,
  EfiLoaderData,
  EfiBootServicesCode,
  EfiBootServicesData,
  EfiRuntimeServicesCode,
  EfiRuntimeServicesData,
  EfiConventionalMemory,
  EfiUnusableMemory,
  EfiACPIReclaimMemory,
  EfiACPIMemoryNVS,
  EfiMemoryMappedIO,
  EfiMemoryMappedIOPortSpace,
  EfiPalCode,
  EfiPersistentMemory,
  EfiMaxMemoryType
};
static_assert(sizeof(EFI_MEMORY_TYPE) == 4, "memory type is a UINT32 enumeration");
