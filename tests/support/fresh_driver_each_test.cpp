// SPDX-License-Identifier: BSD-2-Clause-Patent
// ctest runs every test in a process of its own. Run as one process (for
// example `quorvane_tests` under valgrind), each test still starts with the
// driver's module state of a freshly loaded image.
#include <gtest/gtest.h>

#include "tests/support/driver_globals.h"

namespace {

class FreshDriverEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo &) override { ResetDriverGlobals(); }
};

const bool kRegistered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshDriverEachTest);
  return true;
}();

}  // namespace
