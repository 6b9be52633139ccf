// LeakCheck.h: the ownership check every test runs under.
#pragma once

namespace pde::test {

// Registers a GoogleTest listener that, after each test, fails it when it left Core Foundation
// objects, toolkit objects (windows, controls, events, handlers) or tickets alive, then clears
// injected failures and the log sink for the next test.
void InstallLeakCheck();

}  // namespace pde::test
