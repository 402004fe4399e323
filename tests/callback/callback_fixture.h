// SPDX-License-Identifier: BSD-2-Clause-Patent
// A started driver with the two standard accounts and the test string
// packages as the driver's own list; helpers to call the browser callback.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "callback/security_callback.h"
#include "support/service_context.h"
#include "tests/support/test_strings.h"

class CallbackTest : public ::testing::Test {
 protected:
  // The preamble's calls, which every callback makes first.
  static std::vector<std::string> Preamble() { return {"UserManager.Current", "Qel.GetUsernameFromProfile"}; }
  static std::vector<std::string> Then(std::vector<std::string> Calls) {
    std::vector<std::string> All = Preamble();
    All.insert(All.end(), Calls.begin(), Calls.end());
    return All;
  }

  void Start(bool SupervisorHasPassword = false, bool UserHasPassword = false,
             host::ServiceSet Services = host::ServiceSet()) {
    P.InstallServices(Services);
    P.AddStandardAccounts(SupervisorHasPassword, UserHasPassword);
    ASSERT_FALSE(P.StartDriver().Exited);
    mHiiHandle = testing_strings::RegisterSecurityStrings(P);
    P.Log.Clear();
  }

  EFI_STATUS Call(EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, EFI_IFR_TYPE_VALUE *Value,
                  EFI_BROWSER_ACTION_REQUEST *Request = nullptr) {
    return SecurityCallback(nullptr, Action, Question, EFI_IFR_TYPE_NUM_SIZE_8, Value, Request);
  }
  EFI_STATUS Changed(EFI_QUESTION_ID Question, UINT8 Byte = 0) {
    EFI_IFR_TYPE_VALUE Value{};
    Value.u8 = Byte;
    EFI_BROWSER_ACTION_REQUEST Request = EFI_BROWSER_ACTION_REQUEST_NONE;
    return Call(EFI_BROWSER_ACTION_CHANGED, Question, &Value, &Request);
  }
  // Retrieves a question whose browser value is Initial; Value receives the answer.
  EFI_STATUS Retrieve(EFI_QUESTION_ID Question, UINT8 *Value, UINT8 Initial = 0xEE) {
    EFI_IFR_TYPE_VALUE Ifr{};
    Ifr.u8 = Initial;
    EFI_STATUS Status = Call(EFI_BROWSER_ACTION_RETRIEVE, Question, &Ifr);
    *Value = Ifr.u8;
    return Status;
  }
  std::vector<std::string> Log() const { return P.Log.All(); }
  // Calls Question with the value 0xEE and the request 0x55 on a cleared log; the call must answer
  // Status, make exactly Calls and leave the value and the request as they were.
  void ExpectUntouchedCall(EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, EFI_STATUS Status,
                           const std::vector<std::string> &Calls) {
    P.Log.Clear();
    EFI_IFR_TYPE_VALUE Value{};
    Value.u8 = 0xEE;
    EFI_BROWSER_ACTION_REQUEST Request = 0x55;
    EXPECT_EQ(Call(Action, Question, &Value, &Request), Status);
    EXPECT_EQ(Log(), Calls);
    EXPECT_EQ(Value.u8, 0xEE);
    EXPECT_EQ(Request, 0x55u);
  }

  host::Platform P;
};
