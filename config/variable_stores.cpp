#include "config/variable_stores.h"

#include "include/guids.h"

const VARIABLE_STORE mVariableStores[VARIABLE_STORE_COUNT] = {
    {u"Setup", &gSetupVariableGuid, SETUP_VARIABLE_SIZE, 7},
    {u"TpmStatusVar", &gTpmStatusVarGuid, TPM_STATUS_VARIABLE_SIZE, 1},
    {u"PbaStatusVar", &gPbaStatusVarGuid, PBA_STATUS_VARIABLE_SIZE, 2},
    {u"StatusSetupVar", &gStatusSetupVarGuid, STATUS_SETUP_VARIABLE_SIZE, 3},
    {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, HDD_STATUS_VARIABLE_SIZE, 4},
    {u"System", &gSystemConfigurationGuid, SYSTEM_VARIABLE_SIZE, 5},
    {u"UserManagerVar", &gUserManagerVarGuid, USER_MANAGER_VARIABLE_SIZE, 6},
};
