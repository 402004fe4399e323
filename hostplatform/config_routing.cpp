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

// The header as routing returns it: hex digits of the GUID and PATH values
// lowered, keywords and the NAME value kept.
std::u16string ReturnedHeader(const std::u16string &Header) {
  std::u16string Result;
  bool InValue = false;
  for (size_t Index = 0; Index < Header.size(); Index++) {
    CHAR16 Character = Header[Index];
    if (Character == u'&') {
      InValue = false;
    } else if (Character == u'=' && !InValue) {
      InValue = Index < 4 || Header.compare(Index - 4, 4, u"NAME") != 0;
      Result += Character;
      continue;
    }
    Result += InValue ? LowerHex(Character) : Character;
  }
  return Result;
}

// Reads "&<Keyword>=<hex digits>" at Position; the digits end at '&' or the end.
bool ReadField(const std::u16string &Text, size_t &Position, const std::u16string &Keyword, std::u16string &Digits) {
  std::u16string Expected = u"&" + Keyword + u"=";
  if (Text.compare(Position, Expected.size(), Expected) != 0) return false;
  size_t Start = Position + Expected.size();
  size_t End = Start;
  while (End < Text.size() && Text[End] != u'&') {
    if (HexValue(Text[End]) < 0) return false;
    End++;
  }
  if (End == Start) return false;
  Digits = Text.substr(Start, End - Start);
  Position = End;
  return true;
}

bool NumberOf(const std::u16string &Digits, UINTN &Value) {
  Value = 0;
  for (CHAR16 Digit : Digits) {
    if (Value >> 60 != 0) return false;  // does not fit 64 bits
    Value = (Value << 4) | static_cast<UINTN>(HexValue(Digit));
  }
  return true;
}

struct Element {
  size_t Start;  // its leading '&'
  std::u16string OffsetDigits, WidthDigits, ValueDigits;
  UINTN Offset, Width;
};

// Parses the element at Position. Malformed: false.
bool ReadElement(const std::u16string &Text, size_t &Position, bool WithValue, Element &Out) {
  Out.Start = Position;
  if (!ReadField(Text, Position, u"OFFSET", Out.OffsetDigits) || !ReadField(Text, Position, u"WIDTH", Out.WidthDigits))
    return false;
  if (!NumberOf(Out.OffsetDigits, Out.Offset) || !NumberOf(Out.WidthDigits, Out.Width) || Out.Width == 0) return false;
  if (WithValue) {
    if (!ReadField(Text, Position, u"VALUE", Out.ValueDigits)) return false;
    if (Out.ValueDigits.size() > 2 * Out.Width) return false;
  }
  return true;
}

bool InsideBlock(const Element &Field, UINTN BlockSize) {
  return Field.Offset <= BlockSize && Field.Width <= BlockSize - Field.Offset;
}

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
    Element Field;
    if (!ReadElement(Request, Position, false, Field)) {
      *Progress = AtPosition(ConfigRequest, Field.Start);
      return EFI_INVALID_PARAMETER;
    }
    if (!InsideBlock(Field, BlockSize)) {
      *Progress = AtPosition(ConfigRequest, Field.Start);
      return EFI_DEVICE_ERROR;
    }
    Result += u"&OFFSET=" + Lowered(Field.OffsetDigits) + u"&WIDTH=" + Lowered(Field.WidthDigits) + u"&VALUE=";
    for (UINTN Index = Field.Width; Index-- > 0;) {
      UINT8 Byte = Block[Field.Offset + Index];
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

  UINTN LastChanged = 0;
  while (Position < Response.size()) {
    Element Field;
    if (!ReadElement(Response, Position, true, Field)) {
      *Progress = AtPosition(ConfigResp, Field.Start);
      return EFI_INVALID_PARAMETER;
    }
    if (!InsideBlock(Field, *BlockSize)) {
      *Progress = AtPosition(ConfigResp, Field.Start);
      return EFI_DEVICE_ERROR;
    }
    // The last two digits are the byte at OFFSET.
    std::vector<UINT8> Value(Field.Width, 0);
    size_t Count = Field.ValueDigits.size();
    for (size_t Index = 0; Index < Count; Index++) {
      int Digit = HexValue(Field.ValueDigits[Count - 1 - Index]);
      Value[Index / 2] |= static_cast<UINT8>((Index & 1) ? Digit << 4 : Digit);
    }
    std::memcpy(Block + Field.Offset, Value.data(), Field.Width);
    LastChanged = std::max<UINTN>(LastChanged, Field.Offset + Field.Width - 1);
  }
  *BlockSize = LastChanged;
  *Progress = AtPosition(ConfigResp, Response.size());
  return EFI_SUCCESS;
}

}  // namespace

ConfigRoutingFake::ConfigRoutingFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.BlockToConfig = BlockToConfig;
  Protocol.ConfigToBlock = ConfigToBlock;
}

}  // namespace host
