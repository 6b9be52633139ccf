// FailureInjection.cc: named-operation failures and allocation failures chosen by tests, and the
// test hooks that bring them (and the kept log) to the platform layers once this library is loaded.
#include <map>
#include <mutex>
#include <string>

#include "pde/Diagnostics.h"

namespace pde {
namespace {

// One armed failure: lets `skip` calls through, then fails `remaining` calls (< 0: all of them).
struct ArmedFailure {
  OSStatus status = 0;
  int remaining = 0;
  int skip = 0;
};

struct InjectionState {
  std::mutex mutex;
  std::map<std::string, ArmedFailure, std::less<>> operations;
  std::map<std::string, ArmedFailure, std::less<>> allocations;
  std::map<std::string, long, std::less<>> allocationCounts;
  long allAllocations = 0;
};

InjectionState& State() {
  static InjectionState* state = new InjectionState;  // outlives every static destructor
  return *state;
}

// Consumes one call of an armed failure; true when this call is to fail.
bool Consume(ArmedFailure& failure) {
  if (failure.remaining == 0) return false;
  if (failure.skip > 0) {
    --failure.skip;
    return false;
  }
  if (failure.remaining > 0) --failure.remaining;
  return true;
}

bool ConsumeNamed(std::map<std::string, ArmedFailure, std::less<>>& table, std::string_view name,
                  OSStatus* status) {
  auto found = table.find(name);
  if (found == table.end() || !Consume(found->second)) return false;
  if (status) *status = found->second.status;
  if (found->second.remaining == 0) table.erase(found);
  return true;
}

}  // namespace

void InjectFailure(std::string_view operation, OSStatus status, int times, int skip) {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  if (times == 0) {
    state.operations.erase(std::string(operation));
    return;
  }
  state.operations[std::string(operation)] = ArmedFailure{status, times, skip < 0 ? 0 : skip};
}

void FailAllocations(std::string_view kind, int count, int skip) {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  if (count == 0) {
    state.allocations.erase(std::string(kind));
    return;
  }
  state.allocations[std::string(kind)] = ArmedFailure{memFullErr, count, skip < 0 ? 0 : skip};
}

void ClearInjectedFailures() {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  state.operations.clear();
  state.allocations.clear();
  state.allocationCounts.clear();
  state.allAllocations = 0;
}

long CountAllocations(std::string_view kind) {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  if (kind == "*") return state.allAllocations;
  auto found = state.allocationCounts.find(kind);
  return found == state.allocationCounts.end() ? 0 : found->second;
}

namespace {

bool TakeArmedFailure(std::string_view operation, OSStatus* status) {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  if (state.operations.empty()) return false;
  return ConsumeNamed(state.operations, operation, status);
}

bool CountAllocation(std::string_view kind) {
  InjectionState& state = State();
  std::lock_guard lock(state.mutex);
  ++state.allAllocations;
  auto counted = state.allocationCounts.find(kind);
  if (counted == state.allocationCounts.end()) {
    state.allocationCounts.emplace(std::string(kind), 1);
  } else {
    ++counted->second;
  }
  if (state.allocations.empty()) return false;
  // A failure armed for this kind is consumed before one armed for any kind.
  return ConsumeNamed(state.allocations, kind, nullptr) ||
         ConsumeNamed(state.allocations, "*", nullptr);
}

constexpr TestHooks kHooks{TakeArmedFailure, CountAllocation, LoggedMessages};

// Loading this library is what turns the hooks on: a test program links it, nothing shipped does.
[[gnu::constructor]] void InstallHooks() {
  InstallTestHooks(&kHooks);
}

}  // namespace

}  // namespace pde
