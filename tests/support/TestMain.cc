// TestMain.cc: main of every test executable, with the ownership check installed.
#include <gtest/gtest.h>

#include "LeakCheck.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  pde::test::InstallLeakCheck();
  return RUN_ALL_TESTS();
}
