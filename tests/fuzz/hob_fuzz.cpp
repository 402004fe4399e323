// SPDX-License-Identifier: BSD-2-Clause-Patent
// The HOB walk (probes/security_probes.h: GetHobListEnd, GetNextGuidHobInList,
// GetNextGuidHob) and the TXT capability rule over arbitrary HOB lists, with
// the CPUID, TPM register and configuration-table answers taken from the
// input. The list is allocated at exactly its size, so a read past it is an
// AddressSanitizer report. Lists start with the PHIT HOB or not, and end with
// an end HOB, a cut end HOB, nothing at all, or an end HOB and more bytes; the
// PHIT HOB's end points at the end HOB, at the buffer's end or anywhere before.
//
// Every answer is compared with a model of the walk over offsets: a HOB is
// visited only when its header and its whole length lie before the end, and
// a length below its header or not a multiple of 8 ends the walk on it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "hostplatform/platform.h"
#include "include/guids.h"
#include "include/pi_hob.h"
#include "probes/security_probes.h"
#include "tests/support/driver_globals.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr size_t kMaxListBytes = 4096;
constexpr EFI_GUID kOtherGuid = {0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}};

void Put16(std::vector<uint8_t> &Bytes, size_t At, uint16_t Value) {
  Bytes[At] = static_cast<uint8_t>(Value);
  Bytes[At + 1] = static_cast<uint8_t>(Value >> 8);
}

uint16_t Get16(const std::vector<uint8_t> &Bytes, size_t At) {
  return static_cast<uint16_t>(Bytes[At] | (Bytes[At + 1] << 8));
}

EFI_GUID GuidOf(fuzz::Input &In) {
  switch (In.Below(4)) {
    case 0:
    case 1:
      return gTxtInfoHobGuid;
    case 2:
      return kOtherGuid;
    default: {
      EFI_GUID Guid;
      std::vector<uint8_t> Bytes = In.Bytes(sizeof(Guid));
      std::memcpy(&Guid, Bytes.data(), sizeof(Guid));
      return Guid;
    }
  }
}

struct List {
  std::vector<uint8_t> Bytes;
  bool Handoff = false;
  size_t EndHobAt = 0;  // where the ending starts
};

List MakeList(fuzz::Input &In) {
  List Out;
  std::vector<uint8_t> &Bytes = Out.Bytes;
  Out.Handoff = In.Below(4) != 0;
  if (Out.Handoff) {
    size_t Length = sizeof(EFI_HOB_HANDOFF_INFO_TABLE) + 8 * In.Below(3);
    Bytes.resize(Length, 0);
    Put16(Bytes, 0, EFI_HOB_TYPE_HANDOFF);
    Put16(Bytes, 2, static_cast<uint16_t>(Length));
  }
  size_t Count = In.Below(12);
  for (size_t Index = 0; Index < Count && Bytes.size() < kMaxListBytes; Index++) {
    static const uint16_t Types[] = {EFI_HOB_TYPE_GUID_EXTENSION, EFI_HOB_TYPE_GUID_EXTENSION,
                                     EFI_HOB_TYPE_GUID_EXTENSION, 0x0002, 0x0003, 0x0005, 0x0006,
                                     EFI_HOB_TYPE_UNUSED, EFI_HOB_TYPE_END_OF_HOB_LIST, EFI_HOB_TYPE_HANDOFF};
    size_t Pick = In.Below(sizeof(Types) / sizeof(Types[0]) + 1);
    uint16_t Type = Pick < sizeof(Types) / sizeof(Types[0]) ? Types[Pick] : In.U16();
    if (Bytes.empty() && Type == EFI_HOB_TYPE_HANDOFF) {
      Type = 0x0002;  // a first HOB of this type is the PHIT HOB, whose length and end are trusted
    }
    uint16_t Length;
    switch (In.Below(4)) {
      case 0:
        Length = In.U16();
        break;
      case 1:
        Length = static_cast<uint16_t>(In.Below(40));
        break;
      default:
        Length = static_cast<uint16_t>((Type == EFI_HOB_TYPE_GUID_EXTENSION ? 24 : 8) + 8 * In.Below(6));
        break;
    }
    size_t Start = Bytes.size();
    size_t Room = Length < 8 ? 8 : Length;
    size_t Kept = Start + Room > kMaxListBytes ? kMaxListBytes - Start : Room;  // a long HOB is cut by the end
    Bytes.resize(Start + (Kept < 8 ? 8 : Kept), 0);
    Put16(Bytes, Start, Type);
    Put16(Bytes, Start + 2, Length);
    if (Bytes.size() - Start >= 24) {
      EFI_GUID Name = GuidOf(In);
      std::memcpy(&Bytes[Start + 8], &Name, sizeof(Name));
    }
    // Data: mostly the bytes the TXT rule tests, sometimes anything.
    for (size_t At = Start + 24; At < Bytes.size() && At < Start + 32; At++) {
      Bytes[At] = In.Bool() ? 1 : In.Byte();
    }
  }
  Out.EndHobAt = Bytes.size();
  switch (In.Below(4)) {
    case 0: {  // an end HOB
      Bytes.resize(Bytes.size() + 8, 0);
      Put16(Bytes, Out.EndHobAt, EFI_HOB_TYPE_END_OF_HOB_LIST);
      Put16(Bytes, Out.EndHobAt + 2, 8);
      break;
    }
    case 1:  // nothing after the last HOB
      break;
    case 2: {  // the end HOB cut short
      size_t Part = In.Below(8);
      for (size_t Index = 0; Index < Part; Index++) Bytes.push_back(Index < 2 ? 0xFF : 0);
      break;
    }
    default: {  // an end HOB, then more bytes
      Bytes.resize(Bytes.size() + 8, 0);
      Put16(Bytes, Out.EndHobAt, EFI_HOB_TYPE_END_OF_HOB_LIST);
      Put16(Bytes, Out.EndHobAt + 2, 8);
      std::vector<uint8_t> More = In.Bytes(In.Below(24));
      Bytes.insert(Bytes.end(), More.begin(), More.end());
      break;
    }
  }
  // The configuration table points at one HOB header at least.
  while (Bytes.size() < 8) Bytes.push_back(Bytes.size() < 2 ? 0xFF : 0);
  return Out;
}

// The walk over offsets. Limit: bytes before the end (the list's end offset,
// clamped to 0 when the end lies before the list). Stops like the driver;
// Cursor receives where the walk stands.
enum class WalkEnd { Found, EndHob, Bound, Malformed };
struct Walk {
  WalkEnd End;
  size_t Cursor;
  size_t HobAt;  // the HOB found
};

Walk ModelWalk(const std::vector<uint8_t> &Bytes, size_t From, size_t Limit, const EFI_GUID &Name) {
  size_t At = From;
  for (;;) {
    size_t Room = Limit > At ? Limit - At : 0;
    if (Room == 0) return Walk{WalkEnd::Bound, At, 0};
    if (Room < 8) return Walk{WalkEnd::Bound, At, 0};
    uint16_t Type = Get16(Bytes, At);
    uint16_t Length = Get16(Bytes, At + 2);
    if (Type == EFI_HOB_TYPE_END_OF_HOB_LIST) return Walk{WalkEnd::EndHob, At, 0};
    size_t Minimum = Type == EFI_HOB_TYPE_GUID_EXTENSION ? 24 : 8;
    if (Length < Minimum || (Length & 7) != 0) return Walk{WalkEnd::Malformed, At, 0};
    if (Length > Room) return Walk{WalkEnd::Bound, At, 0};
    if (Type == EFI_HOB_TYPE_GUID_EXTENSION && std::memcmp(&Bytes[At + 8], &Name, sizeof(Name)) == 0) {
      return Walk{WalkEnd::Found, At + Length, At};
    }
    At += Length;
  }
}

// Repeated bounded searches from the list's start, each checked against the model.
void CheckBoundedWalk(const List &L, const uint8_t *Base, const VOID *End, const EFI_GUID &Name, bool WantSize) {
  size_t Limit = reinterpret_cast<uintptr_t>(End) > reinterpret_cast<uintptr_t>(Base)
                     ? reinterpret_cast<uintptr_t>(End) - reinterpret_cast<uintptr_t>(Base)
                     : 0;
  CHECK(Limit <= L.Bytes.size());
  VOID *Cursor = const_cast<uint8_t *>(Base);
  size_t Expected = 0;
  for (size_t Round = 0; Round <= L.Bytes.size() / 8 + 1; Round++) {
    Walk Model = ModelWalk(L.Bytes, Expected, Limit, Name);
    VOID *Data = nullptr;
    UINTN DataSize = 0xDEAD;
    EFI_STATUS Status = GetNextGuidHobInList(&Cursor, End, &Name, &Data, WantSize ? &DataSize : nullptr);
    CHECK(static_cast<uint8_t *>(Cursor) == Base + Model.Cursor);
    if (Model.End != WalkEnd::Found) {
      CHECK(Status == EFI_NOT_FOUND);
      CHECK(Data == nullptr);
      // Asking again changes nothing.
      CHECK(GetNextGuidHobInList(&Cursor, End, &Name, &Data, nullptr) == EFI_NOT_FOUND);
      CHECK(static_cast<uint8_t *>(Cursor) == Base + Model.Cursor);
      return;
    }
    CHECK(Status == EFI_SUCCESS);
    CHECK(static_cast<uint8_t *>(Data) == Base + Model.HobAt + 24);
    CHECK(!WantSize || DataSize == Model.Cursor - Model.HobAt - 24);
    Expected = Model.Cursor;
  }
  CHECK(false);  // every successful search moves the cursor forward by 24 bytes at least
}

// The walk without a bound, where the model shows it meets an end HOB or a
// malformed length inside the buffer: the only lists it is made for.
void CheckUnboundedWalk(const List &L, const uint8_t *Base, const EFI_GUID &Name) {
  VOID *Cursor = const_cast<uint8_t *>(Base);
  size_t Expected = 0;
  for (size_t Round = 0; Round <= L.Bytes.size() / 8 + 1; Round++) {
    Walk Model = ModelWalk(L.Bytes, Expected, L.Bytes.size(), Name);
    if (Model.End == WalkEnd::Bound) {
      return;  // the list does not end where this walk can see it
    }
    VOID *Data = nullptr;
    EFI_STATUS Status = GetNextGuidHob(&Cursor, &Name, &Data, nullptr);
    CHECK(static_cast<uint8_t *>(Cursor) == Base + Model.Cursor);
    if (Model.End != WalkEnd::Found) {
      CHECK(Status == EFI_NOT_FOUND);
      return;
    }
    CHECK(Status == EFI_SUCCESS && static_cast<uint8_t *>(Data) == Base + Model.HobAt + 24);
    Expected = Model.Cursor;
  }
  CHECK(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Input In(Data, Size);
  ResetDriverGlobals();
  std::unique_ptr<host::Platform> P(new host::Platform());
  gST = &P->SystemTable;
  gBS = &P->BootServices;
  gRT = &P->RuntimeServices;

  UINT32 Ecx = In.Below(4) != 0 ? 0x40 : In.U32();
  P->Hardware.Cpuid[1] = host::HardwareFake::CpuidAnswer{In.U32(), In.U32(), Ecx, In.U32()};
  static const UINT8 TpmBytes[] = {0xA1, 0x00, 0xFF};
  size_t TpmPick = In.Below(4);
  P->Hardware.TpmAccessByte = TpmPick < 3 ? TpmBytes[TpmPick] : In.Byte();

  List L = MakeList(In);
  std::unique_ptr<uint8_t[]> Buffer(new uint8_t[L.Bytes.size()]);
  uint8_t *Base = Buffer.get();
  // The PHIT HOB's end: the end HOB, the buffer's end, any offset before it, or before the list.
  size_t EndOffset = L.EndHobAt;
  uint64_t EndAddress = 0;
  if (L.Handoff) {
    switch (In.Below(5)) {
      case 0:
        EndOffset = L.Bytes.size();
        break;
      case 1:
        EndOffset = In.Below(L.Bytes.size() + 1);
        break;
      default:
        break;
    }
    EndAddress = reinterpret_cast<uintptr_t>(Base) + EndOffset;
    if (In.Below(8) == 0) {
      EndAddress = In.Bool() ? 0 : reinterpret_cast<uintptr_t>(Base) - 8 * (1 + In.Below(4));
    }
    std::memcpy(&L.Bytes[offsetof(EFI_HOB_HANDOFF_INFO_TABLE, EfiEndOfHobList)], &EndAddress, sizeof(EndAddress));
  }
  std::memcpy(Base, L.Bytes.data(), L.Bytes.size());

  // Configuration table: other entries, and the HOB list's entry or not.
  uint8_t Decoy = 0;
  for (size_t Entry = In.Below(3); Entry > 0; Entry--) {
    EFI_GUID Guid = GuidOf(In);
    if (std::memcmp(&Guid, &gEfiHobListGuid, sizeof(Guid)) != 0) {
      P->SetConfigurationTable(Guid, In.Bool() ? &Decoy : nullptr);
    }
  }
  size_t TableChoice = In.Below(6);  // 0: no entry, 1: an entry without a list
  if (TableChoice != 0) {
    P->SetConfigurationTable(gEfiHobListGuid, TableChoice == 1 ? nullptr : Base);
  }
  bool ListPresent = TableChoice >= 2;

  // The end the PHIT HOB gives.
  const VOID *End = GetHobListEnd(Base);
  CHECK(L.Handoff ? reinterpret_cast<uintptr_t>(End) == EndAddress : End == nullptr);

  EFI_GUID Name = GuidOf(In);
  if (End != nullptr) {
    CheckBoundedWalk(L, Base, End, Name, In.Bool());
    CheckBoundedWalk(L, Base, End, gTxtInfoHobGuid, In.Bool());
  }
  CheckUnboundedWalk(L, Base, Name);

  // The rule, evaluated as the model says it must come out.
  bool Smx = (Ecx & 0x40) != 0;
  bool Tpm = P->Hardware.TpmAccessByte != 0xFF;
  bool Capable = false;
  if (Smx && Tpm && ListPresent && End != nullptr) {
    size_t Limit = EndAddress > reinterpret_cast<uintptr_t>(Base) ? EndAddress - reinterpret_cast<uintptr_t>(Base) : 0;
    Walk Txt = ModelWalk(L.Bytes, 0, Limit, gTxtInfoHobGuid);
    if (Txt.End == WalkEnd::Found && Txt.Cursor - Txt.HobAt - 24 >= 4) {
      Capable = L.Bytes[Txt.HobAt + 24 + 3] == 1 && L.Bytes[Txt.HobAt + 24 + 1] == 1;
    }
  }
  P->Hardware.TpmReads = 0;
  CHECK((EvaluateTxtCapability() != FALSE) == Capable);
  CHECK(P->Hardware.TpmReads == (Smx ? 1u : 0u));
  CHECK(std::memcmp(Base, L.Bytes.data(), L.Bytes.size()) == 0);  // the walk writes nothing
  return 0;
}
