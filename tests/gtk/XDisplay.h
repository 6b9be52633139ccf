// XDisplay.h: a private Xvfb server for the GTK tests, started once per test program.
#pragma once

#include <string>

namespace pde::test {

// Starts Xvfb on a free display (the first time it is called), points DISPLAY at it and
// initialises GTK. Returns true when GTK is ready; otherwise *why says what failed. The server is
// stopped, by its process ID, when the program exits.
bool StartPrivateDisplay(std::string* why);

// True when the tests run in CI (CI=true), where a missing X server fails instead of skipping.
bool RunningInCI();

}  // namespace pde::test

// Skips the test, or fails it in CI, when no X server could be started for GTK.
#define PDE_REQUIRE_DISPLAY()                                                           \
  do {                                                                                  \
    std::string pdeDisplayWhy;                                                          \
    if (!::pde::test::StartPrivateDisplay(&pdeDisplayWhy)) {                            \
      if (::pde::test::RunningInCI()) FAIL() << "no X server in CI: " << pdeDisplayWhy; \
      GTEST_SKIP() << "no X server can be started: " << pdeDisplayWhy;                  \
    }                                                                                   \
  } while (false)
