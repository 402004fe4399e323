#include <gtest/gtest.h>

#include "hostplatform/platform.h"

TEST(Smoke, DriverStartsOnFullPlatform) {
  host::Platform P;
  P.InstallServices();
  auto R = P.StartDriver();
  EXPECT_FALSE(R.Exited);
}
