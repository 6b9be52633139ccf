// TestHooks.cc: the process's test hooks, none unless a test build installs them.
#include "pde/TestHooks.h"

#include <atomic>

namespace pde {
namespace {

std::atomic<const TestHooks*> installed{nullptr};

}  // namespace

void InstallTestHooks(const TestHooks* hooks) {
  installed.store(hooks, std::memory_order_release);
}

const TestHooks* InstalledTestHooks() {
  return installed.load(std::memory_order_acquire);
}

bool KeptLogMessages(std::vector<std::string>* messages) {
  const TestHooks* hooks = InstalledTestHooks();
  if (hooks == nullptr) return false;
  *messages = hooks->loggedMessages();
  return true;
}

}  // namespace pde
