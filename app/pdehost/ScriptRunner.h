// ScriptRunner.h: runs a parsed session script against a dialog session, as the user would.
#pragma once

#include <ostream>
#include <string>

#include "CommandLine.h"
#include "DialogSession.h"
#include "OptionCheck.h"
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
  bool emitAsked = false;    // drawings and summaries go to notes instead of *out
  bool quiet = false;        // write only what `print` and `submit` write
  std::string printerQueue;  // the CUPS queue `submit` prints to; empty: `submit` fails
  OptionCheck* check = nullptr;  // checks the options before `print` and `submit` write them;
                                 // null: unchecked
};

// Runs script line by line: the actions of a line are dispatched in order, then the run loop
// runs one pass. What `print` and `submit` write is appended to *out, and so is what `show` and
// `summary` draw unless settings.emitAsked sends it to notes; notes about calls that failed go to
// notes, each "pdehost: <file>:<line>: what" (without "<file>:<line>: " for a script without a
// name). Stops at the first failure.
// Actions on a disabled control, or on any control while the pane is not shown, do nothing.
RunResult RunScript(const Script& script, DialogSession* session, const RunSettings& settings,
                    std::string* out, std::ostream& notes);

}  // namespace pdehost
