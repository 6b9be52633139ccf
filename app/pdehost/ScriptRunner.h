// ScriptRunner.h: runs a parsed session script against a dialog session, as the user would.
#pragma once

#include <ostream>
#include <string>

#include "CommandLine.h"
#include "DialogSession.h"
#include "Script.h"

namespace pdehost {

enum class RunOutcome {
  kCompleted,     // every line ran
  kExpectFailed,  // an expect did not hold: exit status 1
  kBadInput,      // the script names what the pane lacks (an item), or the host failed: 2
};

struct RunResult {
  RunOutcome outcome = RunOutcome::kCompleted;
  std::string message;  // "<file>:<line>: what", for the two failures
};

struct RunSettings {
  EmitFormat emit = EmitFormat::kLines;
  bool quiet = false;  // write only what `print` writes
  std::string printerQueue;  // the CUPS queue `submit` prints to; empty: `submit` fails
};

// Runs script line by line: the actions of a line are dispatched in order, then the run loop
// runs one pass. What `show`, `summary`, `print` and `submit` write is appended to *out; notes
// about calls that failed go to notes, each "<file>:<line>: what". Stops at the first failure.
// Actions on a disabled control, or on any control while the pane is not shown, do nothing.
RunResult RunScript(const Script& script, DialogSession* session, const RunSettings& settings,
                    std::string* out, std::ostream& notes);

}  // namespace pdehost
