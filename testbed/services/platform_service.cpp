// SPDX-License-Identifier: BSD-2-Clause-Patent
// Platform pieces of the testbed that a real platform's firmware would carry:
//  - the platform's variables, created at first boot: "Setup" (868 bytes),
//    "System" (21 bytes), "StatusSetupVar" (99) and "UserManagerVar" (5);
//    "System" bytes 13-15 report the TPM this machine has, at every boot;
//  - "PlatformLang" set to "en-US" unless it already names one of the
//    languages the packages carry (OVMF's default "en" matches none);
//  - the platform reset protocol, which logs the request value on the serial
//    line and then resets through the firmware's own ResetSystem;
//  - on a machine without a TPM, the TPM register page at 0xFED40000 reads
//    0xFF as on real hardware (QEMU answers 0x00 from unassigned space): the
//    page is remapped onto a page of 0xFF bytes.
#include "include/guids.h"
#include "include/protocols/platform_services.h"
#include "testbed/include/testbed_protocols.h"
#include "testbed/support/scenario.h"
#include "testbed/support/serial_log.h"
#include "testbed/support/text.h"

namespace {

constexpr UINT32 kAttributes = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr UINT64 kTpmAccess = 0xFED40000ULL;
constexpr UINTN kSetupSize = 868, kSystemSize = 21, kStatusSetupSize = 99, kUserManagerVarSize = 5;
constexpr UINTN kSetupTxtCapable = 702;
constexpr UINTN kSystemTpmSupport = 10, kSystemTpmEnabled = 13, kSystemTpmActivated = 14, kSystemTpmState = 15;
constexpr UINTN kSystemMaxLength = 17, kSystemMinLength = 18;

EFI_SYSTEM_TABLE *gSystem;
EFI_RESET_SYSTEM mFirmwareResetSystem;

EFI_STATUS EFIAPI ResetPlatform(PLATFORM_RESET_PROTOCOL *, UINT8 Request) {
  LogEvent("platform-reset request=%x", (UINT64)Request);
  mFirmwareResetSystem((Request & PLATFORM_RESET_REQUEST_POWER_CYCLE) != 0 ? EfiResetCold : EfiResetWarm, EFI_SUCCESS,
                       0, NULL);
  return EFI_DEVICE_ERROR;
}

PLATFORM_RESET_PROTOCOL mReset = {ResetPlatform};

BOOLEAN VariableExists(const CHAR16 *Name, const EFI_GUID *Guid) {
  UINTN Size = 0;
  return gSystem->RuntimeServices->GetVariable(Name, Guid, NULL, &Size, NULL) == EFI_BUFFER_TOO_SMALL;
}

// Creates the variable with Data unless it exists; reports what it did.
VOID CreateOnce(const CHAR16 *Name, const EFI_GUID *Guid, const UINT8 *Data, UINTN Size) {
  if (VariableExists(Name, Guid)) {
    LogEvent("platform variable %s kept", (UINT64)Name);
    return;
  }
  EFI_STATUS Status = gSystem->RuntimeServices->SetVariable(Name, Guid, kAttributes, Size, Data);
  LogEvent("platform variable %s created size=%d status=%x", (UINT64)Name, (UINT64)Size, Status);
}

BOOLEAN TpmPresent() {
  UINT8 Access = *reinterpret_cast<volatile UINT8 *>(kTpmAccess);
  return Access != 0x00 && Access != 0xFF;
}

// "System" bytes 13-15 follow the TPM: enabled, activated, and the state
// shown as "Current TPM State:" (1 "Enabled and Activated", 0 "Unknown").
VOID UpdateSystemVariable(BOOLEAN Tpm) {
  UINT8 System[kSystemSize];
  UINTN Size = sizeof(System);
  UINT32 Attributes = kAttributes;
  EFI_STATUS Status = gSystem->RuntimeServices->GetVariable(u"System", &gSystemConfigurationGuid, &Attributes, &Size,
                                                            System);
  if (EFI_ERROR(Status)) {
    gSystem->BootServices->SetMem(System, sizeof(System), 0);
    System[kSystemTpmSupport] = 1;
    System[kSystemMaxLength] = 20;
    System[kSystemMinLength] = 1;
    Size = sizeof(System);
    Attributes = kAttributes;
  } else if (Size <= kSystemTpmState) {
    LogEvent("platform variable System kept (short: %d bytes)", (UINT64)Size);
    return;
  }
  System[kSystemTpmEnabled] = Tpm ? 1 : 0;
  System[kSystemTpmActivated] = Tpm ? 1 : 0;
  System[kSystemTpmState] = Tpm ? 1 : 0;
  Status = gSystem->RuntimeServices->SetVariable(u"System", &gSystemConfigurationGuid, Attributes, Size, System);
  LogEvent("platform variable System size=%d tpm-bytes=%d,%d,%d status=%x", (UINT64)Size,
           (UINT64)System[kSystemTpmEnabled], (UINT64)System[kSystemTpmActivated], (UINT64)System[kSystemTpmState],
           Status);
}

VOID SetPlatformLanguage() {
  CHAR8 Language[16];
  UINTN Size = sizeof(Language) - 1;
  EFI_STATUS Status = gSystem->RuntimeServices->GetVariable(u"PlatformLang", &gEfiGlobalVariableGuid, NULL, &Size,
                                                            Language);
  if (!EFI_ERROR(Status)) {
    Language[Size] = 0;
    if (AsciiEqual(Language, "en-US") || AsciiEqual(Language, "fr-FR") || AsciiEqual(Language, "ja-JP") ||
        AsciiEqual(Language, "ko-KR")) {
      LogEvent("platform PlatformLang %a kept", (UINT64)Language);
      return;
    }
  }
  static const CHAR8 kEnglish[] = "en-US";
  Status = gSystem->RuntimeServices->SetVariable(u"PlatformLang", &gEfiGlobalVariableGuid, kAttributes,
                                                 sizeof(kEnglish), kEnglish);
  LogEvent("platform PlatformLang en-US status=%x", Status);
}

// ---------------------------------------------------------------- floating bus
UINT64 ReadCr0() {
  UINT64 Value;
  __asm__ volatile("mov %%cr0, %0" : "=r"(Value));
  return Value;
}
VOID WriteCr0(UINT64 Value) { __asm__ volatile("mov %0, %%cr0" : : "r"(Value) : "memory"); }
UINT64 ReadCr3() {
  UINT64 Value;
  __asm__ volatile("mov %%cr3, %0" : "=r"(Value));
  return Value;
}
VOID WriteCr3(UINT64 Value) { __asm__ volatile("mov %0, %%cr3" : : "r"(Value) : "memory"); }

constexpr UINT64 kAddressMask = 0x000FFFFFFFFFF000ULL;
constexpr UINT64 kPresent = 1ULL << 0, kLargePage = 1ULL << 7, kLargePat = 1ULL << 12, kNoExecute = 1ULL << 63;
constexpr UINT64 kCr0WriteProtect = 1ULL << 16;

UINT64 *NewTable() {
  EFI_PHYSICAL_ADDRESS Page = 0xFFFFFFFFULL;
  if (EFI_ERROR(gSystem->BootServices->AllocatePages(AllocateMaxAddress, EfiBootServicesData, 1, &Page))) {
    return NULL;
  }
  return reinterpret_cast<UINT64 *>(Page);
}

// Maps the 4 KiB page at Linear onto a page of 0xFF bytes, splitting the
// large pages above it; the rest of the range keeps its identity mapping.
EFI_STATUS MapFloatingPage(UINT64 Linear) {
  UINT64 *Filler = NewTable();
  UINT64 *Split1G = NewTable();
  UINT64 *Split2M = NewTable();
  if (Filler == NULL || Split1G == NULL || Split2M == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  gSystem->BootServices->SetMem(Filler, 4096, 0xFF);
  EFI_TPL OldTpl = gSystem->BootServices->RaiseTPL(TPL_HIGH_LEVEL);
  UINT64 Cr0 = ReadCr0();
  WriteCr0(Cr0 & ~kCr0WriteProtect);
  EFI_STATUS Status = EFI_SUCCESS;
  UINT64 *Pml4 = reinterpret_cast<UINT64 *>(ReadCr3() & kAddressMask);
  UINT64 *Entry = &Pml4[(Linear >> 39) & 0x1FF];
  if ((*Entry & kPresent) == 0) {
    Status = EFI_NOT_FOUND;
  }
  UINT64 *Pdpt = reinterpret_cast<UINT64 *>(*Entry & kAddressMask);
  UINT64 *Pdpte = Status == EFI_SUCCESS ? &Pdpt[(Linear >> 30) & 0x1FF] : NULL;
  if (Pdpte != NULL && (*Pdpte & kLargePage) != 0) {
    UINT64 Base = *Pdpte & 0x000FFFFFC0000000ULL;
    UINT64 Flags = *Pdpte & (0xFFFULL | kLargePat | kNoExecute);
    for (UINT64 Index = 0; Index < 512; Index++) {
      Split1G[Index] = (Base + (Index << 21)) | Flags;
    }
    *Pdpte = reinterpret_cast<UINT64>(Split1G) | (*Pdpte & 0x7ULL) | kPresent | 2ULL;
  }
  UINT64 *Pd = Pdpte != NULL ? reinterpret_cast<UINT64 *>(*Pdpte & kAddressMask) : NULL;
  UINT64 *Pde = Pd != NULL ? &Pd[(Linear >> 21) & 0x1FF] : NULL;
  if (Pde != NULL && (*Pde & kLargePage) != 0) {
    UINT64 Base = *Pde & 0x000FFFFFFFE00000ULL;
    UINT64 Flags = (*Pde & 0xE7FULL) | (((*Pde & kLargePat) != 0) ? kLargePage : 0) | (*Pde & kNoExecute);
    for (UINT64 Index = 0; Index < 512; Index++) {
      Split2M[Index] = (Base + (Index << 12)) | Flags;
    }
    *Pde = reinterpret_cast<UINT64>(Split2M) | (*Pde & 0x7ULL) | kPresent | 2ULL;
  }
  UINT64 *Pt = Pde != NULL ? reinterpret_cast<UINT64 *>(*Pde & kAddressMask) : NULL;
  if (Pt != NULL) {
    UINT64 *Pte = &Pt[(Linear >> 12) & 0x1FF];
    *Pte = reinterpret_cast<UINT64>(Filler) | (*Pte & (0xFFFULL | kNoExecute));
  } else if (Status == EFI_SUCCESS) {
    Status = EFI_NOT_FOUND;
  }
  WriteCr3(ReadCr3());
  WriteCr0(Cr0);
  gSystem->BootServices->RestoreTPL(OldTpl);
  return Status;
}

}  // namespace

extern "C" EFI_STATUS EFIAPI PlatformMain(EFI_HANDLE, EFI_SYSTEM_TABLE *SystemTable) {
  LogEventsFromScenario(SystemTable->RuntimeServices);
  gSystem = SystemTable;
  mFirmwareResetSystem = SystemTable->RuntimeServices->ResetSystem;
  BOOLEAN Tpm = TpmPresent();
  if (!Tpm && !ScenarioIs(SystemTable->RuntimeServices, "floating-bus", "0")) {
    EFI_STATUS Status = MapFloatingPage(kTpmAccess);
    LogEvent("platform tpm=absent floating-bus status=%x access=%x", Status,
             (UINT64) * reinterpret_cast<volatile UINT8 *>(kTpmAccess));
  } else {
    LogEvent("platform tpm=present access=%x", (UINT64) * reinterpret_cast<volatile UINT8 *>(kTpmAccess));
  }

  static UINT8 Setup[kSetupSize];
  Setup[kSetupTxtCapable] = ScenarioIs(SystemTable->RuntimeServices, "txt", "1") ? 1 : 0;
  CreateOnce(u"Setup", &gSetupVariableGuid, Setup, sizeof(Setup));
  UpdateSystemVariable(Tpm);
  static UINT8 StatusSetup[kStatusSetupSize];
  CreateOnce(u"StatusSetupVar", &gStatusSetupVarGuid, StatusSetup, sizeof(StatusSetup));
  static UINT8 UserManagerVar[kUserManagerVarSize];
  CreateOnce(u"UserManagerVar", &gUserManagerVarGuid, UserManagerVar, sizeof(UserManagerVar));
  SetPlatformLanguage();

  EFI_HANDLE Handle = NULL;
  return SystemTable->BootServices->InstallProtocolInterface(&Handle, &gPlatformResetProtocolGuid,
                                                            EFI_NATIVE_INTERFACE, &mReset);
}
