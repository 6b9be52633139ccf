// PaneLifecycle.h: the pane's whole life as a printing system and a user give it, step by step,
// through the bundle loaded once for the test program.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "MacTypes.h"

#include "PrintCore/PMPrintingDialogExtensions.h"

namespace pde::matrix {

// The steps of one life, in order. Each yields one status (see Lifecycle::Run).
enum Step {
  kFactory,  // the loader makes the factory's instance: 0, or memFullErr for none
  kQuery,    // the instance's dialog-extension interface: 0, or memFullErr for none
  kPrologue,
  kInitialize,
  kSyncIn,            // Sync towards the pane
  kChoosePrivate,     // the user picks "Private"; a run-loop pass follows
  kChooseDepartment,  // the user switches the department code on; a run-loop pass follows
  kKeys,              // select the DIN, type "13579", then '2', 'x' and a backspace
  kSyncOut,           // Sync towards the ticket
  kSummary,           // GetSummaryText, with the arrays checked and released
  kOpenClose,
  kTerminate,
  kStepCount
};

// The step's name, for messages.
const char* StepName(int step);

// What a step must return when nothing fails.
OSStatus NominalStatus(int step);

// Status of a step the host did not reach (after a refused Prologue, say).
inline constexpr OSStatus kNotRun = 1;

struct LifeResult {
  std::array<OSStatus, kStepCount> status;
  // Faults seen along the way (an array holding null, a field that still filters after
  // Terminate, ...), empty when none.
  std::string faults;
};

// Loads the bundle through the plug-in loader and routes its C allocations (PlugInAllocations.h);
// the plug-in stays loaded for the program's life. Returns false with *error set on failure.
bool LoadPlugIn(std::string* error);

// What a caller does at the edges of a life: start() once the print session and the host window
// are made, afterStep(step) once each step is done, end() when the last step is done and before
// the life's own checks (which must not meet injected failures).
struct LifeHooks {
  std::function<void()> start;
  std::function<void(int step)> afterStep;
  std::function<void()> end;
};

// Runs one life on the supported sample printer with a fresh print session and host window.
// The host stops as a printing system does: no instance or interface, no pane; a failed Prologue
// or Initialize is followed by Terminate alone. After Terminate the pane's controls are worked
// again to prove that nothing of the pane is left on them, then window and session go.
LifeResult RunLife(const LifeHooks& hooks = {});

}  // namespace pde::matrix
