// SPDX-License-Identifier: BSD-2-Clause-Patent
// The host platform: system table, boot and runtime services the driver boots on.
#include "hostplatform/platform.h"

#include <cstring>
#include <stdexcept>

#include "entry/driver_entry.h"
#include "include/guids.h"

namespace host {

namespace {

Platform *ActivePlatform = nullptr;

Platform &P() { return Platform::Active(); }

// ---------------------------------------------------------------- boot services
EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer) {
  return P().Memory.Allocate(Type, Size, Buffer);
}
EFI_STATUS EFIAPI FreePool(VOID *Buffer) { return P().Memory.Free(Buffer); }

EFI_STATUS EFIAPI InstallProtocolInterface(EFI_HANDLE *Handle, const EFI_GUID *Protocol, EFI_INTERFACE_TYPE Type,
                                           VOID *Interface) {
  if (Type != EFI_NATIVE_INTERFACE) {
    return EFI_INVALID_PARAMETER;
  }
  return P().Handles.Install(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface) {
  return P().Handles.HandleProtocol(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI LocateProtocol(const EFI_GUID *Protocol, VOID *Registration, VOID **Interface) {
  if (Protocol != nullptr) {
    P().Locates.push_back(Platform::LocateCall{*Protocol, Registration});
  }
  // A key this platform never handed out (it registers no protocol notify)
  // names no registration: there is no handle for it.
  if (Registration != nullptr) {
    return EFI_NOT_FOUND;
  }
  return P().Handles.LocateProtocol(Protocol, Interface);
}

EFI_STATUS EFIAPI LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE SearchType, const EFI_GUID *Protocol, VOID *SearchKey,
                                     UINTN *NoHandles, EFI_HANDLE **Buffer) {
  (void)SearchKey;
  if (SearchType != ByProtocol) {
    return EFI_UNSUPPORTED;
  }
  if (P().LocateHandleBufferStatus != EFI_SUCCESS) {
    return P().LocateHandleBufferStatus;
  }
  return P().Handles.LocateHandleBuffer(Protocol, NoHandles, Buffer);
}

EFI_STATUS EFIAPI Exit(EFI_HANDLE ImageHandle, EFI_STATUS ExitStatus, UINTN ExitDataSize, CHAR16 *ExitData) {
  (void)ExitDataSize;
  (void)ExitData;
  Platform &Owner = P();
  Owner.Log.Add("BootServices.Exit");
  if (!Owner.ImageRunning || ImageHandle != Owner.ImageHandle) {
    return EFI_INVALID_PARAMETER;
  }
  Owner.ExitStatus = ExitStatus;
  std::longjmp(Owner.ExitJump, 1);
}

EFI_STATUS EFIAPI GetNextMonotonicCount(UINT64 *Count) {
  if (Count == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Count = P().NextMonotonicCount++;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI CreateEventCommon(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction, VOID *Context,
                                    bool ExitGroup, EFI_EVENT *Event) {
  Platform &Owner = P();
  if (Event == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Owner.CreateEventStatus != EFI_SUCCESS) {
    return Owner.CreateEventStatus;
  }
  if ((Type & EVT_NOTIFY_SIGNAL) != 0 && NotifyFunction == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Owner.Events.push_back(std::make_unique<Platform::Event>(
      Platform::Event{Type, NotifyTpl, NotifyFunction, Context, ExitGroup || Type == EVT_SIGNAL_EXIT_BOOT_SERVICES, false}));
  *Event = Owner.Events.back().get();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI CreateEvent(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction, VOID *Context,
                              EFI_EVENT *Event) {
  return CreateEventCommon(Type, NotifyTpl, NotifyFunction, Context, false, Event);
}

// The exit-boot-services event group of the UEFI standard.
constexpr EFI_GUID kExitBootServicesGroup = {0x27ABF055, 0xB1B8, 0x4C26, {0x80, 0x48, 0x74, 0x8F, 0x37, 0xBA, 0xA2, 0xDF}};

EFI_STATUS EFIAPI CreateEventEx(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction, const VOID *Context,
                                const EFI_GUID *EventGroup, EFI_EVENT *Event) {
  bool ExitGroup = EventGroup != nullptr && SameGuid(*EventGroup, kExitBootServicesGroup);
  return CreateEventCommon(Type, NotifyTpl, NotifyFunction, const_cast<VOID *>(Context), ExitGroup, Event);
}

EFI_STATUS EFIAPI CloseEvent(EFI_EVENT Event) {
  for (auto &Entry : P().Events) {
    if (Entry.get() == Event && !Entry->Closed) {
      Entry->Closed = true;
      return EFI_SUCCESS;
    }
  }
  return EFI_INVALID_PARAMETER;
}

EFI_STATUS EFIAPI CalculateCrc32(const VOID *Data, UINTN DataSize, UINT32 *Crc) {
  if (Data == nullptr || Crc == nullptr || DataSize == 0) {
    return EFI_INVALID_PARAMETER;
  }
  *Crc = Crc32(Data, DataSize);
  return EFI_SUCCESS;
}

VOID EFIAPI CopyMem(VOID *Destination, const VOID *Source, UINTN Length) { std::memmove(Destination, Source, Length); }
VOID EFIAPI SetMem(VOID *Buffer, UINTN Size, UINT8 Value) { std::memset(Buffer, Value, Size); }

// ---------------------------------------------------------------- runtime services
EFI_STATUS EFIAPI GetVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                              VOID *Data) {
  return P().Variables.Get(Name, Guid, Attributes, DataSize, Data);
}

EFI_STATUS EFIAPI SetVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize,
                              const VOID *Data) {
  return P().Variables.Set(Name, Guid, Attributes, DataSize, Data);
}

VOID EFIAPI ResetSystem(EFI_RESET_TYPE Type, EFI_STATUS Status, UINTN DataSize, VOID *Data) {
  P().Log.Add("RuntimeServices.ResetSystem");
  P().Resets.push_back(Platform::ResetCall{Type, Status, DataSize, Data});
}

// ---------------------------------------------------------------- console
EFI_STATUS EFIAPI OutputString(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, const CHAR16 *String) {
  (void)This;
  if (String == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  P().Console += String;
  return EFI_SUCCESS;
}

void SetHeaderCrc(EFI_TABLE_HEADER &Header) {
  Header.CRC32 = 0;
  Header.CRC32 = Crc32(&Header, Header.HeaderSize);
}

}  // namespace

UINT32 Crc32(const VOID *Data, size_t Size) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Data);
  UINT32 Crc = 0xFFFFFFFFu;
  for (size_t Index = 0; Index < Size; Index++) {
    Crc ^= Bytes[Index];
    for (int Bit = 0; Bit < 8; Bit++) {
      Crc = (Crc >> 1) ^ (0xEDB88320u & (0u - (Crc & 1u)));
    }
  }
  return ~Crc;
}

ServiceSet ServiceSet::None() {
  ServiceSet Set;
  Set.HiiDatabase = Set.ConfigRouting = Set.FormBrowser = Set.HddPassword = Set.HddPasswordUi = false;
  Set.UserManager = Set.QelUserManager = Set.CredentialProvider = Set.TextSetupBrowser = false;
  Set.HiiString = Set.DevicePathFromText = Set.PlatformReset = false;
  return Set;
}

Platform &Platform::Active() {
  if (ActivePlatform == nullptr) {
    throw std::logic_error("no host platform is active");
  }
  return *ActivePlatform;
}

Platform::Platform() {
  if (ActivePlatform != nullptr) {
    throw std::logic_error("only one host platform may be active");
  }
  ActivePlatform = this;

  BootServices.Hdr = EFI_TABLE_HEADER{EFI_BOOT_SERVICES_SIGNATURE, 0x00020046, sizeof(EFI_BOOT_SERVICES), 0, 0};
  BootServices.AllocatePool = AllocatePool;
  BootServices.FreePool = FreePool;
  BootServices.CreateEvent = CreateEvent;
  BootServices.CloseEvent = CloseEvent;
  BootServices.InstallProtocolInterface = InstallProtocolInterface;
  BootServices.HandleProtocol = HandleProtocol;
  BootServices.Exit = Exit;
  BootServices.GetNextMonotonicCount = GetNextMonotonicCount;
  BootServices.LocateHandleBuffer = LocateHandleBuffer;
  BootServices.LocateProtocol = LocateProtocol;
  BootServices.CalculateCrc32 = CalculateCrc32;
  BootServices.CopyMem = CopyMem;
  BootServices.SetMem = SetMem;
  BootServices.CreateEventEx = CreateEventEx;
  SetHeaderCrc(BootServices.Hdr);

  RuntimeServices.Hdr = EFI_TABLE_HEADER{EFI_RUNTIME_SERVICES_SIGNATURE, 0x00020046, sizeof(EFI_RUNTIME_SERVICES), 0, 0};
  RuntimeServices.GetVariable = GetVariable;
  RuntimeServices.SetVariable = SetVariable;
  RuntimeServices.ResetSystem = ResetSystem;
  FirmwareResetSystem = ResetSystem;
  SetHeaderCrc(RuntimeServices.Hdr);

  ConOut.OutputString = OutputString;

  SystemTable.Hdr = EFI_TABLE_HEADER{EFI_SYSTEM_TABLE_SIGNATURE, 0x00020046, sizeof(EFI_SYSTEM_TABLE), 0, 0};
  SystemTable.ConOut = &ConOut;
  SystemTable.StdErr = &ConOut;
  SystemTable.RuntimeServices = &RuntimeServices;
  SystemTable.BootServices = &BootServices;
  SetHeaderCrc(SystemTable.Hdr);

  LoadedImage.Revision = 0x1000;
  LoadedImage.SystemTable = &SystemTable;
  LoadedImage.ImageCodeType = EfiBootServicesCode;
  LoadedImage.ImageDataType = EfiBootServicesData;
}

Platform::~Platform() { ActivePlatform = nullptr; }

void Platform::InstallServices(const ServiceSet &Services) {
  auto Install = [this](bool Wanted, const EFI_GUID &Guid, VOID *Interface) {
    if (Wanted) {
      EFI_HANDLE Handle = nullptr;
      Handles.Install(&Handle, &Guid, Interface);
    }
  };
  Install(Services.HiiDatabase, gEfiHiiDatabaseProtocolGuid, &HiiDatabase.Protocol);
  Install(Services.ConfigRouting, gEfiHiiConfigRoutingProtocolGuid, &ConfigRouting.Protocol);
  Install(Services.HiiString, gEfiHiiStringProtocolGuid, &HiiString.Protocol);
  Install(Services.FormBrowser, gEfiFormBrowser2ProtocolGuid, &FormBrowser.Protocol);
  Install(Services.HddPassword, gHddPasswordProtocolGuid, &HddPassword.Protocol);
  Install(Services.HddPasswordUi, gHddPasswordUiProtocolGuid, &HddPasswordUi.Protocol);
  Install(Services.UserManager, gEfiUserManagerProtocolGuid, &UserManager.Protocol);
  Install(Services.QelUserManager, gQelUserManagerProtocolGuid, &QelUserManager.Protocol);
  Install(Services.CredentialProvider, gCredentialProviderProtocolGuid, &CredentialProvider);
  Install(Services.TextSetupBrowser, gTextSetupBrowserProtocolGuid, &TextSetupBrowser.Protocol);
  Install(Services.DevicePathFromText, gEfiDevicePathFromTextProtocolGuid, &DevicePathFromText.Protocol);
  Install(Services.PlatformReset, gPlatformResetProtocolGuid, &PlatformReset.Protocol);
}

void Platform::AddStandardAccounts(bool SupervisorHasPassword, bool UserHasPassword) {
  Users.Add(u"Supervisor", SupervisorHasPassword);
  Users.Add(u"User", UserHasPassword);
  UserManager.CurrentUser = u"Supervisor";
}

Platform::EntryResult Platform::StartImage(EFI_IMAGE_ENTRY_POINT Entry) {
  if (ImageHandle == nullptr) {
    ImageHandle = Handles.NewHandle();
    if (InstallLoadedImage) {
      Handles.Install(&ImageHandle, &gEfiLoadedImageProtocolGuid, &LoadedImage);
    }
  }
  EntryResult Result{false, EFI_SUCCESS, EFI_SUCCESS};
  ImageRunning = true;
  if (setjmp(ExitJump) == 0) {
    Result.Returned = Entry(ImageHandle, &SystemTable);
  } else {
    Result.Exited = true;
    Result.ExitStatus = ExitStatus;
  }
  ImageRunning = false;
  return Result;
}

Platform::EntryResult Platform::StartDriver() { return StartImage(DriverEntry); }

void Platform::SignalExitBootServices() {
  for (auto &Entry : Events) {
    if (!Entry->Closed && Entry->ExitBootServicesGroup && Entry->Notify != nullptr) {
      Entry->Notify(Entry.get(), Entry->Context);
    }
  }
  BootServicesEnded = true;
}

void Platform::SetConfigurationTable(const EFI_GUID &Guid, VOID *Table) {
  bool Replaced = false;
  for (auto &Entry : ConfigurationTable) {
    if (SameGuid(Entry.VendorGuid, Guid)) {
      Entry.VendorTable = Table;
      Replaced = true;
    }
  }
  if (!Replaced) {
    ConfigurationTable.push_back(EFI_CONFIGURATION_TABLE{Guid, Table});
  }
  SystemTable.NumberOfTableEntries = ConfigurationTable.size();
  SystemTable.ConfigurationTable = ConfigurationTable.data();
  SetHeaderCrc(SystemTable.Hdr);
}

std::vector<std::string> Platform::ConsoleLines() const {
  std::vector<std::string> Lines;
  std::u16string Current;
  for (CHAR16 Character : Console) {
    if (Character == u'\n') {
      Lines.push_back(Narrow(Current));
      Current.clear();
    } else if (Character != u'\r') {
      Current += Character;
    }
  }
  if (!Current.empty()) {
    Lines.push_back(Narrow(Current));
  }
  return Lines;
}

bool Platform::TableCrcValid(const EFI_TABLE_HEADER &Header) const {
  std::vector<UINT8> Copy(reinterpret_cast<const UINT8 *>(&Header),
                          reinterpret_cast<const UINT8 *>(&Header) + Header.HeaderSize);
  reinterpret_cast<EFI_TABLE_HEADER *>(Copy.data())->CRC32 = 0;
  return Crc32(Copy.data(), Copy.size()) == Header.CRC32;
}

}  // namespace host
