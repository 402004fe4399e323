// SPDX-License-Identifier: BSD-2-Clause-Patent
// The table of the seven variable stores behind the Security page.
#include "config/variable_stores.h"

#include "include/guids.h"

const VARIABLE_STORE mVariableStores[VARIABLE_STORE_COUNT] = {
    {u"Setup", &gSetupVariableGuid, Setup::Size, Setup::VarStoreId},
    {u"TpmStatusVar", &gTpmStatusVarGuid, TpmStatusVar::Size, TpmStatusVar::VarStoreId},
    {u"PbaStatusVar", &gPbaStatusVarGuid, PbaStatusVar::Size, PbaStatusVar::VarStoreId},
    {u"StatusSetupVar", &gStatusSetupVarGuid, StatusSetupVar::Size, StatusSetupVar::VarStoreId},
    {u"HDD_Password_Status", &gHddPasswordStatusVarGuid, HDD_Password_Status::Size, HDD_Password_Status::VarStoreId},
    {u"System", &gSystemConfigurationGuid, System::Size, System::VarStoreId},
    {u"UserManagerVar", &gUserManagerVarGuid, UserManagerVar::Size, UserManagerVar::VarStoreId},
};
