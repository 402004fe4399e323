// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform HII configuration routing: BlockToConfig and ConfigToBlock.
#include "hostplatform/config_routing.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "hostplatform/platform.h"

namespace host {

namespace {

constexpr size_t kNone = std::u16string::npos;

int HexValue(CHAR16 Character) {
  if (Character >= u'0' && Character <= u'9') return Character - u'0';
  if (Character >= u'a' && Character <= u'f') return Character - u'a' + 10;
  if (Character >= u'A' && Character <= u'F') return Character - u'A' + 10;
  return -1;
}

CHAR16 LowerHex(CHAR16 Character) {
  return Character >= u'A' && Character <= u'F' ? static_cast<CHAR16>(Character - u'A' + u'a') : Character;
}

std::u16string Lowered(const std::u16string &Text) {
  std::u16string Result;
  for (CHAR16 Character : Text) Result += LowerHex(Character);
  return Result;
}

// End of the header ("GUID=..&NAME=..&PATH=.."): the '&' of the first
// element, or the end of the string. kNone when there is no such header.
size_t HeaderEnd(const std::u16string &Text) {
  if (Text.compare(0, 5, u"GUID=") != 0) return kNone;
  size_t Name = Text.find(u"&NAME=", 5);
  if (Name == kNone) return kNone;
  size_t Path = Text.find(u"&PATH=", Name + 6);
  if (Path == kNone) return kNone;
  size_t End = Text.find(u'&', Path + 6);
  return End == kNone ? Text.size() : End;
}

// The header as routing returns it: hex letters of every value lowered, the
// keywords kept.
std::u16string ReturnedHeader(const std::u16string &Header) {
  std::u16string Result;
  bool InValue = false;
  for (CHAR16 Character : Header) {
    if (Character == u'&') {
      InValue = false;
    } else if (Character == u'=' && !InValue) {
      InValue = true;
      Result += Character;
      continue;
    }
    Result += InValue ? LowerHex(Character) : Character;
  }
  return Result;
}

// Reads "<Keyword><value>" at Position (Keyword begins with '&' and ends with
// '='); the value runs to the next '&' or the end and may be empty.
bool ReadField(const std::u16string &Text, size_t &Position, const std::u16string &Keyword, std::u16string &Value) {
  if (Text.compare(Position, Keyword.size(), Keyword) != 0) return false;
  size_t Start = Position + Keyword.size();
  size_t End = Text.find(u'&', Start);
  if (End == kNone) End = Text.size();
  Value = Text.substr(Start, End - Start);
  Position = End;
  return true;
}

// Digits that are not hex digits count as 0; more than 16 digits keep the low 64 bits.
UINTN NumberOf(const std::u16string &Digits) {
  UINTN Value = 0;
  for (CHAR16 Digit : Digits) {
    Value = (Value << 4) | static_cast<UINTN>(std::max(HexValue(Digit), 0));
  }
  return Value;
}

// The little-endian bytes of a VALUE: (digits + 1) / 2 of them.
std::vector<UINT8> ValueBytes(const std::u16string &Digits) {
  std::vector<UINT8> Bytes((Digits.size() + 1) / 2, 0);
  for (size_t Index = 0; Index < Digits.size(); Index++) {
    int Digit = std::max(HexValue(Digits[Digits.size() - 1 - Index]), 0);
    Bytes[Index / 2] |= static_cast<UINT8>((Index & 1) ? Digit << 4 : Digit);
  }
  return Bytes;
}

bool InsideBlock(UINTN Offset, UINTN Width, UINTN BlockSize) {
  return Offset <= BlockSize && Width <= BlockSize - Offset;
}

// What real routing leaves in the bytes of a field that its VALUE does not reach.
constexpr UINT8 kUndefinedByte = 0xAF;

EFI_STRING AtPosition(const CHAR16 *Text, size_t Position) { return const_cast<EFI_STRING>(Text + Position); }

EFI_STATUS EFIAPI BlockToConfig(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *ConfigRequest,
                                const UINT8 *Block, UINTN BlockSize, EFI_STRING *Config, EFI_STRING *Progress) {
  ConfigRoutingFake *Fake = reinterpret_cast<ConfigRoutingFake *>(const_cast<EFI_HII_CONFIG_ROUTING_PROTOCOL *>(This));
  Platform &Owner = *Fake->Owner;
  Owner.Log.Add("ConfigRouting.BlockToConfig(" + (ConfigRequest ? Narrow(ConfigRequest) : std::string("<null>")) +
                ", " + std::to_string(BlockSize) + ")");
  if (ConfigRequest == nullptr || Progress == nullptr || Config == nullptr) return EFI_INVALID_PARAMETER;
  *Config = nullptr;
  *Progress = const_cast<EFI_STRING>(ConfigRequest);
  if (Block == nullptr) return EFI_INVALID_PARAMETER;
  std::u16string Request(ConfigRequest);
  size_t Position = HeaderEnd(Request);
  if (Position == kNone) return EFI_INVALID_PARAMETER;

  std::u16string Result = ReturnedHeader(Request.substr(0, Position));
  static const char Digits[] = "0123456789abcdef";
  while (Position < Request.size()) {
    if (Position + 1 == Request.size() && Request[Position] == u'&') {
      Result += u'&';  // a final '&' is kept
      break;
    }
    size_t Start = Position;
    std::u16string OffsetText, WidthText;
    if (!ReadField(Request, Position, u"&OFFSET=", OffsetText)) {
      *Progress = AtPosition(ConfigRequest, Start);
      return EFI_INVALID_PARAMETER;
    }
    // An empty WIDTH is refused here (WIDTH=0 is not); ConfigToBlock takes it as 0.
    if (!ReadField(Request, Position, u"&WIDTH=", WidthText) || WidthText.empty()) {
      *Progress = AtPosition(ConfigRequest, Start);
      return EFI_INVALID_PARAMETER;
    }
    UINTN Offset = NumberOf(OffsetText), Width = NumberOf(WidthText);
    if (!InsideBlock(Offset, Width, BlockSize)) {
      *Progress = AtPosition(ConfigRequest, Position);
      return EFI_DEVICE_ERROR;
    }
    Result += u"&OFFSET=" + Lowered(OffsetText) + u"&WIDTH=" + Lowered(WidthText) + u"&VALUE=";
    for (UINTN Index = Width; Index-- > 0;) {
      UINT8 Byte = Block[Offset + Index];
      Result += static_cast<CHAR16>(Digits[Byte >> 4]);
      Result += static_cast<CHAR16>(Digits[Byte & 15]);
    }
  }

  VOID *Buffer = nullptr;
  size_t Bytes = (Result.size() + 1) * sizeof(CHAR16);
  if (Owner.Memory.Allocate(EfiBootServicesData, Bytes, &Buffer) != EFI_SUCCESS) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memcpy(Buffer, Result.c_str(), Bytes);
  *Config = static_cast<EFI_STRING>(Buffer);
  *Progress = AtPosition(ConfigRequest, Request.size());
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ConfigToBlock(const EFI_HII_CONFIG_ROUTING_PROTOCOL *This, const CHAR16 *ConfigResp, UINT8 *Block,
                                UINTN *BlockSize, EFI_STRING *Progress) {
  ConfigRoutingFake *Fake = reinterpret_cast<ConfigRoutingFake *>(const_cast<EFI_HII_CONFIG_ROUTING_PROTOCOL *>(This));
  Platform &Owner = *Fake->Owner;
  Owner.Log.Add("ConfigRouting.ConfigToBlock(" + (ConfigResp ? Narrow(ConfigResp) : std::string("<null>")) + ", " +
                (BlockSize ? std::to_string(*BlockSize) : std::string("<null>")) + ")");
  if (ConfigResp == nullptr || Progress == nullptr || BlockSize == nullptr) return EFI_INVALID_PARAMETER;
  *Progress = const_cast<EFI_STRING>(ConfigResp);
  if (Block == nullptr) return EFI_INVALID_PARAMETER;
  std::u16string Response(ConfigResp);
  size_t Position = HeaderEnd(Response);
  if (Position == kNone) return EFI_INVALID_PARAMETER;
  if (Position == Response.size()) {
    *Progress = AtPosition(ConfigResp, Position);  // nothing to store
    return EFI_INVALID_PARAMETER;
  }

  UINTN Largest = 0;  // the largest OFFSET + WIDTH - 1
  bool Outside = false;
  while (Position < Response.size()) {
    size_t Start = Position;
    std::u16string OffsetText, WidthText, ValueText;
    if (!ReadField(Response, Position, u"&OFFSET=", OffsetText) ||
        !ReadField(Response, Position, u"&WIDTH=", WidthText) ||
        !ReadField(Response, Position, u"&VALUE=", ValueText) || ValueText.empty()) {
      *Progress = AtPosition(ConfigResp, Start);
      return EFI_INVALID_PARAMETER;
    }
    UINTN Offset = NumberOf(OffsetText), Width = NumberOf(WidthText);
    Largest = std::max<UINTN>(Largest, Offset + Width - 1);
    if (!InsideBlock(Offset, Width, *BlockSize)) {
      Outside = true;  // skipped; the rest still counts
      continue;
    }
    std::vector<UINT8> Value = ValueBytes(ValueText);
    for (UINTN Index = 0; Index < Width; Index++) {
      Block[Offset + Index] = Index < Value.size() ? Value[Index] : kUndefinedByte;
    }
  }
  *Progress = AtPosition(ConfigResp, Response.size());
  if (Outside) {
    *BlockSize = Largest + 1;
    return EFI_BUFFER_TOO_SMALL;
  }
  *BlockSize = Largest;
  return EFI_SUCCESS;
}

}  // namespace

ConfigRoutingFake::ConfigRoutingFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.BlockToConfig = BlockToConfig;
  Protocol.ConfigToBlock = ConfigToBlock;
}

}  // namespace host
