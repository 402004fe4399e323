// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform device-path-from-text service.
#include "hostplatform/device_path_text.h"

#include <cstring>

#include "hostplatform/platform.h"

namespace host {

namespace {

void AddNode(std::vector<UINT8> &Path, UINT8 Type, UINT8 SubType, const std::vector<UINT8> &Data) {
  size_t Length = 4 + Data.size();
  Path.insert(Path.end(), {Type, SubType, static_cast<UINT8>(Length), static_cast<UINT8>(Length >> 8)});
  Path.insert(Path.end(), Data.begin(), Data.end());
}

void AddLe(std::vector<UINT8> &Data, UINT64 Value, size_t Bytes) {
  for (size_t Index = 0; Index < Bytes; Index++) {
    Data.push_back(static_cast<UINT8>(Value >> (8 * Index)));
  }
}

// Decimal or 0x-prefixed hexadecimal, nothing else.
bool ParseNumber(const std::string &Text, UINT64 Max, UINT64 &Value) {
  std::string Digits = Text;
  int Base = 10;
  if (Digits.size() > 2 && Digits[0] == '0' && (Digits[1] == 'x' || Digits[1] == 'X')) {
    Digits = Digits.substr(2);
    Base = 16;
  }
  if (Digits.empty() || Digits.size() > 16) {
    return false;
  }
  Value = 0;
  for (char C : Digits) {
    int Digit = C >= '0' && C <= '9' ? C - '0' : C >= 'a' && C <= 'f' ? C - 'a' + 10 : C >= 'A' && C <= 'F' ? C - 'A' + 10 : 99;
    if (Digit >= Base) {
      return false;
    }
    Value = Value * Base + Digit;
  }
  return Value <= Max;
}

// Zero or One as keywords for 0 and 1, or the number itself.
bool ParseChoice(const std::string &Text, const char *Zero, const char *One, UINT64 &Value) {
  if (Text == Zero || Text == One) {
    Value = Text == One;
    return true;
  }
  return ParseNumber(Text, 1, Value);
}

std::vector<std::string> SplitArguments(const std::string &Text) {
  std::vector<std::string> Arguments(1);
  for (char C : Text) {
    if (C == ',') {
      Arguments.emplace_back();
    } else if (C != ' ') {
      Arguments.back() += C;
    }
  }
  return Arguments;
}

bool AddTextNode(std::vector<UINT8> &Path, const std::string &Node) {
  size_t Open = Node.find('(');
  if (Open == std::string::npos || Node.back() != ')') {
    return false;
  }
  std::string Name = Node.substr(0, Open);
  std::vector<std::string> Args = SplitArguments(Node.substr(Open + 1, Node.size() - Open - 2));
  std::vector<UINT8> Data;
  UINT64 A, B, C;
  if (Name == "PciRoot" && Args.size() == 1 && ParseNumber(Args[0], 0xFFFFFFFF, A)) {
    AddLe(Data, 0x0A0341D0, 4);  // EFI_PNP_ID(0x0A03): PNP0A03, a PCI root bridge
    AddLe(Data, A, 4);
    AddNode(Path, ACPI_DEVICE_PATH, ACPI_DP, Data);
    return true;
  }
  if (Name == "Pci" && Args.size() == 2 && ParseNumber(Args[0], 0x1F, A) && ParseNumber(Args[1], 7, B)) {
    Data = {static_cast<UINT8>(B), static_cast<UINT8>(A)};  // function first, then device
    AddNode(Path, HARDWARE_DEVICE_PATH, HW_PCI_DP, Data);
    return true;
  }
  if (Name == "Ata" && Args.size() == 3 && ParseChoice(Args[0], "Primary", "Secondary", A) &&
      ParseChoice(Args[1], "Master", "Slave", B) && ParseNumber(Args[2], 0xFFFF, C)) {
    Data = {static_cast<UINT8>(A), static_cast<UINT8>(B)};
    AddLe(Data, C, 2);
    AddNode(Path, MESSAGING_DEVICE_PATH, MSG_ATAPI_DP, Data);
    return true;
  }
  return false;
}

EFI_DEVICE_PATH_PROTOCOL *EFIAPI ConvertTextToDevicePath(const CHAR16 *Text) {
  Platform &Owner = Platform::Active();
  Owner.Log.Add("DevicePathFromText.ConvertTextToDevicePath(" + (Text ? Narrow(Text) : std::string("<null>")) + ")");
  if (Text == nullptr) {
    return nullptr;
  }
  std::vector<UINT8> Bytes = DevicePathFromText(Text);
  VOID *Buffer = nullptr;
  if (Bytes.empty() || EFI_ERROR(Owner.Memory.Allocate(EfiBootServicesData, Bytes.size(), &Buffer))) {
    return nullptr;
  }
  std::memcpy(Buffer, Bytes.data(), Bytes.size());
  return static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Buffer);
}

}  // namespace

std::vector<UINT8> DevicePathFromText(const std::u16string &Text) {
  std::string Narrowed;
  for (char16_t C : Text) {
    if (C > 0x7E) {
      return {};
    }
    Narrowed += static_cast<char>(C);
  }
  std::vector<UINT8> Path;
  size_t Start = 0;
  while (Start <= Narrowed.size()) {
    size_t Slash = Narrowed.find('/', Start);
    std::string Node = Narrowed.substr(Start, Slash == std::string::npos ? std::string::npos : Slash - Start);
    if (Node.empty() || !AddTextNode(Path, Node)) {
      return {};
    }
    if (Slash == std::string::npos) {
      break;
    }
    Start = Slash + 1;
  }
  AddNode(Path, END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {});
  return Path;
}

DevicePathFromTextFake::DevicePathFromTextFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.ConvertTextToDevicePath = ConvertTextToDevicePath;
}

}  // namespace host
