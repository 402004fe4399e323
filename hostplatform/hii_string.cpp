// SPDX-License-Identifier: BSD-2-Clause-Patent
// Host platform HII String service over the registered string packages.
#include "hostplatform/hii_string.h"

#include <cctype>
#include <cstring>

#include "hostplatform/platform.h"
#include "include/protocols/hii_database.h"

namespace host {

namespace {

struct ParsedStrings {
  std::string Language;
  std::vector<std::u16string> Texts;  // string id - 1
};

bool SameLanguage(const std::string &A, const std::string &B) {
  if (A.size() != B.size()) {
    return false;
  }
  for (size_t Index = 0; Index < A.size(); Index++) {
    if (std::tolower((unsigned char)A[Index]) != std::tolower((unsigned char)B[Index])) {
      return false;
    }
  }
  return true;
}

UINT32 ReadUint32(const UINT8 *Bytes) {
  UINT32 Value;
  std::memcpy(&Value, Bytes, sizeof(Value));
  return Value;
}

// The string packages of a registered list, in order; stops at anything malformed.
std::vector<ParsedStrings> ParseList(const std::vector<UINT8> &Bytes) {
  std::vector<ParsedStrings> Packages;
  size_t Offset = sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  while (Offset + 4 <= Bytes.size()) {
    UINT32 Header = ReadUint32(&Bytes[Offset]);
    size_t Length = Header & 0xFFFFFF;
    UINT8 Type = (UINT8)(Header >> 24);
    if (Type == EFI_HII_PACKAGE_END || Length < 4 || Offset + Length > Bytes.size()) {
      break;
    }
    if (Type == EFI_HII_PACKAGE_STRINGS && Length >= sizeof(EFI_HII_STRING_PACKAGE_HDR)) {
      const UINT8 *Package = &Bytes[Offset];
      ParsedStrings Parsed;
      for (size_t At = __builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, Language); At < Length && Package[At] != 0;
           At++) {
        Parsed.Language += (char)Package[At];
      }
      size_t At = ReadUint32(Package + __builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, StringInfoOffset));
      while (At < Length && Package[At] == EFI_HII_SIBT_STRING_UCS2) {
        At++;
        std::u16string Text;
        for (; At + 1 < Length; At += 2) {
          CHAR16 Character = (CHAR16)(Package[At] | (Package[At + 1] << 8));
          if (Character == 0) {
            break;
          }
          Text += Character;
        }
        At += 2;
        Parsed.Texts.push_back(Text);
      }
      Packages.push_back(Parsed);
    }
    Offset += Length;
  }
  return Packages;
}

HiiStringFake *Self(const EFI_HII_STRING_PROTOCOL *This) {
  return reinterpret_cast<HiiStringFake *>(const_cast<EFI_HII_STRING_PROTOCOL *>(This));
}

std::string Tag(const CHAR8 *Language) { return Language == nullptr ? std::string("<null>") : std::string(Language); }

// Finds the package of Language in the list of Handle; the status says why not.
EFI_STATUS FindPackage(const HiiStringFake *Fake, EFI_HII_HANDLE Handle, const CHAR8 *Language, ParsedStrings *Found) {
  const RegisteredPackageList *List = Fake->Owner->HiiDatabase.Find(Handle);
  if (List == nullptr) {
    return EFI_NOT_FOUND;
  }
  for (ParsedStrings &Package : ParseList(List->Bytes)) {
    if (SameLanguage(Package.Language, Language)) {
      *Found = std::move(Package);
      return EFI_SUCCESS;
    }
  }
  return EFI_INVALID_LANGUAGE;
}

EFI_STATUS EFIAPI GetString(const EFI_HII_STRING_PROTOCOL *This, const CHAR8 *Language, EFI_HII_HANDLE PackageList,
                            EFI_STRING_ID StringId, EFI_STRING String, UINTN *StringSize,
                            EFI_FONT_INFO **StringFontInfo) {
  HiiStringFake *Fake = Self(This);
  Fake->Owner->Log.Add("HiiString.GetString(" + Tag(Language) + "," + std::to_string(StringId) + "," +
                       (StringSize ? std::to_string(*StringSize) : std::string("<null>")) + ")");
  // String id 0 names no string: the firmware's service calls it a bad parameter.
  if (Language == nullptr || StringSize == nullptr || (*StringSize != 0 && String == nullptr) || StringId == 0) {
    return EFI_INVALID_PARAMETER;
  }
  Fake->GetStringCalls++;
  if (Fake->ProbeAnswer && *StringSize == 0) {
    return *Fake->ProbeAnswer;
  }
  if (Fake->GetStringStatus != EFI_SUCCESS && Fake->GetStringCalls >= Fake->GetStringFailFrom) {
    return Fake->GetStringStatus;
  }
  ParsedStrings Package;
  if (EFI_STATUS Status = FindPackage(Fake, PackageList, Language, &Package)) {
    return Status;
  }
  std::optional<std::u16string> Text = Fake->Text(PackageList, Package.Language, StringId);
  if (!Text) {
    return EFI_NOT_FOUND;
  }
  UINTN Needed = (Text->size() + 1) * sizeof(CHAR16);
  if (*StringSize < Needed) {
    *StringSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy(String, Text->c_str(), Needed);
  *StringSize = Needed;
  if (StringFontInfo != nullptr) {
    *StringFontInfo = nullptr;
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetString(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList, EFI_STRING_ID StringId,
                            const CHAR8 *Language, const CHAR16 *String, const EFI_FONT_INFO *StringFontInfo) {
  HiiStringFake *Fake = Self(This);
  Fake->Owner->Log.Add("HiiString.SetString(" + Tag(Language) + "," + std::to_string(StringId) + "," + Narrow(String) +
                       ")");
  if (Language == nullptr || String == nullptr || StringId == 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (Fake->SetStringStatus != EFI_SUCCESS &&
      (Fake->FailSetStringLanguage.empty() || SameLanguage(Fake->FailSetStringLanguage, Language))) {
    return Fake->SetStringStatus;
  }
  // Unlike GetString, a language the list does not carry is EFI_NOT_FOUND
  // here, as on the firmware's service.
  ParsedStrings Package;
  if (FindPackage(Fake, PackageList, Language, &Package) != EFI_SUCCESS || StringId > Package.Texts.size()) {
    return EFI_NOT_FOUND;
  }
  Fake->Changed[{PackageList, Package.Language, StringId}] = String;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetLanguages(const EFI_HII_STRING_PROTOCOL *This, EFI_HII_HANDLE PackageList, CHAR8 *Languages,
                               UINTN *LanguagesSize) {
  HiiStringFake *Fake = Self(This);
  Fake->Owner->Log.Add("HiiString.GetLanguages(" +
                       (LanguagesSize ? std::to_string(*LanguagesSize) : std::string("<null>")) + ")");
  if (LanguagesSize == nullptr || (*LanguagesSize != 0 && Languages == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Fake->GetLanguagesStatus != EFI_SUCCESS) {
    return Fake->GetLanguagesStatus;
  }
  if (Fake->Owner->HiiDatabase.Find(PackageList) == nullptr) {
    return EFI_NOT_FOUND;
  }
  std::string Joined;
  for (const std::string &Language : Fake->Languages(PackageList)) {
    Joined += (Joined.empty() ? "" : ";") + Language;
  }
  UINTN Needed = Joined.size() + 1;
  if (*LanguagesSize < Needed) {
    *LanguagesSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  // On success the firmware's service leaves the size as the caller passed it.
  std::memcpy(Languages, Joined.c_str(), Needed);
  return EFI_SUCCESS;
}

}  // namespace

HiiStringFake::HiiStringFake(Platform *Owner) : Owner(Owner) {
  std::memset(&Protocol, 0, sizeof(Protocol));
  Protocol.GetString = GetString;
  Protocol.SetString = SetString;
  Protocol.GetLanguages = GetLanguages;
}

std::optional<std::u16string> HiiStringFake::Text(EFI_HII_HANDLE Handle, const std::string &Language,
                                                  EFI_STRING_ID Id) const {
  ParsedStrings Package;
  if (FindPackage(this, Handle, Language.c_str(), &Package) != EFI_SUCCESS || Id == 0 || Id > Package.Texts.size()) {
    return std::nullopt;
  }
  auto Found = Changed.find({Handle, Package.Language, Id});
  return Found != Changed.end() ? Found->second : Package.Texts[Id - 1];
}

std::vector<std::string> HiiStringFake::Languages(EFI_HII_HANDLE Handle) const {
  std::vector<std::string> Tags;
  if (const RegisteredPackageList *List = Owner->HiiDatabase.Find(Handle)) {
    for (const ParsedStrings &Package : ParseList(List->Bytes)) {
      Tags.push_back(Package.Language);
    }
  }
  return Tags;
}

std::vector<UINT8> StringPackage(const std::string &Language, const std::vector<std::u16string> &Texts) {
  std::vector<UINT8> Bytes(__builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, Language), 0);
  Bytes.insert(Bytes.end(), Language.begin(), Language.end());
  Bytes.push_back(0);
  UINT32 HeaderSize = (UINT32)Bytes.size();
  for (const std::u16string &Text : Texts) {
    Bytes.push_back(EFI_HII_SIBT_STRING_UCS2);
    for (CHAR16 Character : Text) {
      Bytes.push_back((UINT8)Character);
      Bytes.push_back((UINT8)(Character >> 8));
    }
    Bytes.push_back(0);
    Bytes.push_back(0);
  }
  Bytes.push_back(EFI_HII_SIBT_END);
  UINT32 Header = (UINT32)Bytes.size() | ((UINT32)EFI_HII_PACKAGE_STRINGS << 24);
  std::memcpy(&Bytes[0], &Header, 4);
  std::memcpy(&Bytes[__builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, HdrSize)], &HeaderSize, 4);
  std::memcpy(&Bytes[__builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, StringInfoOffset)], &HeaderSize, 4);
  const UINT16 LanguageName = 1;
  std::memcpy(&Bytes[__builtin_offsetof(EFI_HII_STRING_PACKAGE_HDR, LanguageName)], &LanguageName, 2);
  return Bytes;
}

std::vector<UINT8> StringPackage(const std::string &Language, UINT16 Count,
                                 const std::map<UINT16, std::u16string> &Texts) {
  std::vector<std::u16string> All(Count);
  for (const auto &Entry : Texts) {
    All.at(Entry.first - 1) = Entry.second;
  }
  return StringPackage(Language, All);
}

std::vector<UINT8> PackageList(const EFI_GUID &Guid, const std::vector<std::vector<UINT8>> &Packages) {
  std::vector<UINT8> Bytes(sizeof(EFI_HII_PACKAGE_LIST_HEADER), 0);
  std::memcpy(&Bytes[0], &Guid, sizeof(Guid));
  for (const auto &Package : Packages) {
    Bytes.insert(Bytes.end(), Package.begin(), Package.end());
  }
  const UINT32 End = 4 | ((UINT32)EFI_HII_PACKAGE_END << 24);
  Bytes.insert(Bytes.end(), reinterpret_cast<const UINT8 *>(&End), reinterpret_cast<const UINT8 *>(&End) + 4);
  UINT32 Length = (UINT32)Bytes.size();
  std::memcpy(&Bytes[__builtin_offsetof(EFI_HII_PACKAGE_LIST_HEADER, PackageLength)], &Length, 4);
  return Bytes;
}

}  // namespace host
