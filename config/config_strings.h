// SPDX-License-Identifier: BSD-2-Clause-Patent
// Configuration header handling: which store a configuration string is for,
// and the variable name and vendor GUID it carries. A header reads
// "GUID=" 32 hex digits (the GUID's bytes in memory order) "&NAME=" name
// "&PATH=" ...; the name is plain text or, as configuration routing writes
// it, four hex digits per UTF-16 character. Everything after the header is
// left to the platform's configuration routing.
#pragma once
#include "config/variable_stores.h"

// Room for a variable name: 99 characters and the NUL.
constexpr UINTN CONFIG_NAME_BUFFER_SIZE = 200;
// A header is at least this long; its GUID field spans characters 5 to 36.
constexpr UINTN CONFIG_HDR_MIN_LENGTH = 44;
constexpr UINTN CONFIG_HDR_GUID_START = 5;
constexpr UINTN CONFIG_HDR_GUID_DIGITS = 32;
constexpr UINTN CONFIG_HDR_GUID_END = 37;

// The stores' vendor GUIDs in the order strings are tested against them:
// the GUID column of the store table.
inline const EFI_GUID *VarStoreGuidTable(UINTN Index) { return mVariableStores[Index].Guid; }

// TRUE when Character is a hexadecimal digit (either case); *Value gets its value.
BOOLEAN HexDigitValue(CHAR16 Character, UINT8 *Value);
// Reads the run of hex digits at the start of Text as one little-endian number
// (the last two digits form byte 0). *BufferSize: capacity in, bytes produced
// out (the bytes needed with EFI_BUFFER_TOO_SMALL). DigitCount may be null.
EFI_STATUS HexStringToBytes(UINT8 *Buffer, UINTN *BufferSize, const CHAR16 *Text, UINTN *DigitCount);
// TRUE when the header of ConfigString names Guid.
BOOLEAN ConfigHdrMatchesGuid(const CHAR16 *ConfigString, const EFI_GUID *Guid);
// TRUE when the header names one of the seven stores.
BOOLEAN ConfigHdrNamesStore(const CHAR16 *ConfigString);
// Copies the NAME value (decoded when in hex form) with a NUL into Name.
// EFI_BUFFER_TOO_SMALL writes the required size in bytes to *NameSize;
// EFI_INVALID_PARAMETER when there is no "NAME=" or no '&' after the name.
EFI_STATUS GetNameFromConfigString(const CHAR16 *ConfigString, CHAR16 *Name, UINT32 *NameSize);
// The GUID of a header that ConfigHdrMatchesGuid accepted.
VOID GetGuidFromConfigString(EFI_GUID *Guid, const CHAR16 *ConfigString);
// Name (a buffer of CONFIG_NAME_BUFFER_SIZE bytes) and vendor GUID of the
// variable a store's string addresses. FALSE, with the name buffer unused,
// when the header carries no usable NAME value.
BOOLEAN GetVariableFromConfigString(const CHAR16 *ConfigString, CHAR16 *Name, EFI_GUID *Guid);
