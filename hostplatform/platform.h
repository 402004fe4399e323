// SPDX-License-Identifier: BSD-2-Clause-Patent
// A small fake firmware that host tests boot the driver on: system table,
// boot and runtime services, handle database, pool with accounting, variable
// store, events, console, and the platform and vendor services the driver
// consumes. One Platform is active at a time; service functions reach it
// through their interface pointer or through Platform::Active().
#pragma once
#include <csetjmp>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "hostplatform/call_log.h"
#include "hostplatform/config_routing.h"
#include "hostplatform/device_path_text.h"
#include "hostplatform/handles.h"
#include "hostplatform/hardware.h"
#include "hostplatform/hdd_services.h"
#include "hostplatform/hii_database.h"
#include "hostplatform/hii_string.h"
#include "hostplatform/pci_io.h"
#include "hostplatform/platform_services.h"
#include "hostplatform/pool.h"
#include "hostplatform/user_managers.h"
#include "hostplatform/variables.h"
#include "include/protocols/loaded_image.h"
#include "include/system_table.h"

namespace host {

// Which services InstallServices puts into the handle database.
struct ServiceSet {
  bool HiiDatabase = true;
  bool ConfigRouting = true;
  bool FormBrowser = true;
  bool HddPassword = true;
  bool HddPasswordUi = true;
  bool UserManager = true;
  bool QelUserManager = true;
  bool CredentialProvider = true;
  bool TextSetupBrowser = true;
  bool HiiString = true;
  bool DevicePathFromText = true;
  bool PlatformReset = false;

  static ServiceSet None();
};

class Platform {
 public:
  Platform();
  ~Platform();
  Platform(const Platform &) = delete;
  Platform &operator=(const Platform &) = delete;

  static Platform &Active();

  // Installs each chosen service on a handle of its own, in a fixed order.
  void InstallServices(const ServiceSet &Services = ServiceSet());
  // Adds the two accounts the page manages ("Supervisor" signed in).
  void AddStandardAccounts(bool SupervisorHasPassword = false, bool UserHasPassword = false);

  struct EntryResult {
    bool Exited;            // the image called Exit
    EFI_STATUS Returned;    // what the entry point returned (when it did not exit)
    EFI_STATUS ExitStatus;  // the status passed to Exit
  };
  // Runs an image entry point; Exit comes back here instead of into the image.
  EntryResult StartImage(EFI_IMAGE_ENTRY_POINT Entry);
  // Runs the driver's own entry point.
  EntryResult StartDriver();

  // Calls the notify function of every event of the exit-boot-services group.
  void SignalExitBootServices();
  // Adds (or replaces) a configuration-table entry.
  void SetConfigurationTable(const EFI_GUID &Guid, VOID *Table);
  // Lines written to the console, split at line feeds (CR removed).
  std::vector<std::string> ConsoleLines() const;
  // CRC32 of a table as the boot service computes it, with the CRC field taken as 0.
  bool TableCrcValid(const EFI_TABLE_HEADER &Header) const;

  // ---- firmware tables
  EFI_SYSTEM_TABLE SystemTable{};
  EFI_BOOT_SERVICES BootServices{};
  EFI_RUNTIME_SERVICES RuntimeServices{};
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL ConOut{};
  std::u16string Console;

  // ---- core services
  Pool Memory;
  HandleDatabase Handles{Memory};
  VariableStore Variables;
  CallLog Log;
  HardwareFake Hardware;
  Accounts Users;

  // ---- the image being run
  EFI_HANDLE ImageHandle = nullptr;
  EFI_LOADED_IMAGE_PROTOCOL LoadedImage{};
  bool InstallLoadedImage = true;  // false: HandleProtocol of it fails

  // ---- boot-service behaviour a test can steer
  UINT64 NextMonotonicCount = 0x1000;
  EFI_STATUS CreateEventStatus = EFI_SUCCESS;
  EFI_STATUS LocateHandleBufferStatus = EFI_SUCCESS;  // forced failure when not success
  struct Event {
    UINT32 Type;
    EFI_TPL NotifyTpl;
    EFI_EVENT_NOTIFY Notify;
    VOID *Context;
    bool ExitBootServicesGroup;
    bool Closed;
  };
  std::vector<std::unique_ptr<Event>> Events;
  bool BootServicesEnded = false;
  std::vector<EFI_CONFIGURATION_TABLE> ConfigurationTable;
  // Every LocateProtocol call, in order, with the registration key it passed.
  struct LocateCall {
    EFI_GUID Protocol;
    VOID *Registration;
  };
  std::vector<LocateCall> Locates;

  // ---- runtime-service behaviour
  struct ResetCall {
    EFI_RESET_TYPE Type;
    EFI_STATUS Status;
    UINTN DataSize;
    VOID *Data;
  };
  std::vector<ResetCall> Resets;     // calls that reached the firmware's own ResetSystem
  EFI_RESET_SYSTEM FirmwareResetSystem;  // the firmware's own service, as installed

  // ---- platform and vendor services
  HiiDatabaseFake HiiDatabase{this};
  ConfigRoutingFake ConfigRouting{this};
  HiiStringFake HiiString{this};
  FormBrowserFake FormBrowser{this};
  HddPasswordFake HddPassword{this};
  HddPasswordUiFake HddPasswordUi{this};
  UserManagerFake UserManager{this};
  QelUserManagerFake QelUserManager{this};
  CredentialProviderFake CredentialProvider;
  TextSetupBrowserFake TextSetupBrowser{this};
  DevicePathFromTextFake DevicePathFromText{this};
  PlatformResetFake PlatformReset{this};
  std::deque<PciControllerFake> PciControllers;  // see AddController

  // ---- image exit
  std::jmp_buf ExitJump;
  bool ImageRunning = false;
  EFI_STATUS ExitStatus = EFI_SUCCESS;
};

UINT32 Crc32(const VOID *Data, size_t Size);

}  // namespace host
