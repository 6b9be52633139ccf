// TestHooks.h: where a test build reaches into the platform layers: failures made at named
// operations and allocations, and the system log kept for inspection.
//
// The layers ship without any of it: the test-only diagnostics library (pde/Diagnostics.h)
// installs the hooks when it is loaded. Until then each failure point costs one load of a null
// pointer, and no lock is taken.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "../../../host/MacTypes.h"

namespace pde {

struct TestHooks {
  // True, with *status set, when this call of operation is to fail.
  bool (*takeInjectedFailure)(std::string_view operation, OSStatus* status);
  // Counts one allocation of kind; true when it is to fail.
  bool (*takeAllocationFailure)(std::string_view kind);
  // The system log's messages at LOG_ERR or more urgent, oldest first.
  std::vector<std::string> (*loggedMessages)();
};

// Installs hooks for the whole process; null removes them. hooks must outlive their use.
void InstallTestHooks(const TestHooks* hooks);
// The hooks installed, or null (every shipped program).
const TestHooks* InstalledTestHooks();

// For platform code: true, with *status set, when this call of operation is to fail.
inline bool TakeInjectedFailure(std::string_view operation, OSStatus* status) {
  const TestHooks* hooks = InstalledTestHooks();
  return hooks != nullptr && hooks->takeInjectedFailure(operation, status);
}

// For platform code: counts one allocation of kind; true when it is to fail.
inline bool TakeAllocationFailure(std::string_view kind) {
  const TestHooks* hooks = InstalledTestHooks();
  return hooks != nullptr && hooks->takeAllocationFailure(kind);
}

// The messages of the system log kept by a test build, oldest first; false when no log is kept.
bool KeptLogMessages(std::vector<std::string>* messages);

}  // namespace pde
