// The seven variable stores behind the Security page and the byte offsets
// of the fields this driver touches. Extraction, routing and the form set
// address the stores only through this table.
#pragma once
#include "include/uefi_types.h"

struct VARIABLE_STORE {
  const CHAR16 *Name;
  const EFI_GUID *Guid;
  UINT16 DeclaredSize;
  UINT16 VarStoreId;  // the ID the form set gives the store
};

// Table order is the order in which incoming strings are tested.
enum VARIABLE_STORE_INDEX {
  STORE_SETUP,
  STORE_TPM_STATUS,
  STORE_PBA_STATUS,
  STORE_STATUS_SETUP,
  STORE_HDD_PASSWORD_STATUS,
  STORE_SYSTEM,
  STORE_USER_MANAGER,
  VARIABLE_STORE_COUNT
};

extern const VARIABLE_STORE mVariableStores[VARIABLE_STORE_COUNT];

// Attributes of a variable the driver creates: non-volatile, boot-service
// and runtime access. An existing variable is written back with the
// attributes it was read with.
#define SECURITY_VARIABLE_ATTRIBUTES 0x00000007U

// Attribute bits that make every write need a signed payload (UEFI:
// EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS, ..._TIME_BASED_AUTHENTICATED_WRITE_ACCESS,
// EFI_VARIABLE_ENHANCED_AUTHENTICATED_ACCESS). The driver signs nothing, so
// it never writes such a variable back.
#define VARIABLE_AUTHENTICATION_ATTRIBUTES 0x000000B0U
inline BOOLEAN MayWriteBack(UINT32 Attributes) { return (Attributes & VARIABLE_AUTHENTICATION_ATTRIBUTES) == 0; }

// "Setup" (platform layout, 868 bytes)
#define SETUP_VARIABLE_SIZE 868
#define SETUP_VT_ENABLE_OFFSET 377     // Intel VT switch, forced on with TXT
#define SETUP_TXT_CAPABLE_OFFSET 702   // 1 once the TXT capability rule held
#define SETUP_TXT_ENABLE_OFFSET 703    // Intel TXT switch

// "System" (QEL_SYSTEM_CONFIGURATION, 21 bytes)
#define SYSTEM_VARIABLE_SIZE 21
#define SYSTEM_TPM_SUPPORT_OFFSET 10
#define SYSTEM_TPM_REQUEST_OFFSET 11   // TCG physical-presence operation 0 to 9
#define SYSTEM_TPM_ENABLED_OFFSET 13
#define SYSTEM_TPM_ACTIVATED_OFFSET 14
#define SYSTEM_TPM_STATE_OFFSET 15
#define SYSTEM_MAX_PASSWORD_LENGTH_OFFSET 17
#define SYSTEM_MIN_PASSWORD_LENGTH_OFFSET 18

// "TpmStatusVar" (82 bytes)
#define TPM_STATUS_VARIABLE_SIZE 82
#define TPM_STATUS_PRESENT_OFFSET 80

// "PbaStatusVar" (12 bytes)
#define PBA_STATUS_VARIABLE_SIZE 12
#define PBA_STATUS_SUPERVISOR_SET_OFFSET 2
#define PBA_STATUS_PASSWORD_ON_BOOT_OFFSET 11

// "StatusSetupVar" (99 bytes, no field of its own)
#define STATUS_SETUP_VARIABLE_SIZE 99

// "HDD_Password_Status" (9 bytes)
#define HDD_STATUS_VARIABLE_SIZE 9
#define HDD_STATUS_DISK_DETECTED_OFFSET 2
#define HDD_STATUS_PORT_STATE_OFFSET 3  // six bytes, ports 0 to 5

// "UserManagerVar" (5 bytes)
#define USER_MANAGER_VARIABLE_SIZE 5
#define USER_MANAGER_IS_SUPERVISOR_OFFSET 1
#define USER_MANAGER_USER_SET_OFFSET 3

// The largest zero block extraction serves for an absent store.
#define LARGEST_DEFAULT_STORE_SIZE TPM_STATUS_VARIABLE_SIZE
