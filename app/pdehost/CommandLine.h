// CommandLine.h: the options of pdehost and their parser.
#pragma once

#include <string>
#include <vector>

#include "Emitters.h"

namespace pdehost {

// A failure to inject into the platform before the session starts (a test hook: only the test
// build of pdehost takes the options that set it).
struct InjectedFailure {
  bool allocation = false;  // true: FailAllocations(name, ...); false: InjectFailure(name, ...)
  std::string name;         // an allocation kind or a platform operation
  int status = 0;           // InjectFailure only
  int count = 1;            // how many calls or allocations fail; < 0 for all
  int skip = 0;             // how many go through first
};

struct HostOptions {
  std::string ppdPath;       // --ppd; empty: the bundled sample of a supported printer
  std::string bundlePath;    // --bundle; empty: the PPD's dialog extensions, else the build's
  std::string optionList;    // every --options and -o, joined by blanks (later entries win)
  std::string settingsPath;  // --settings
  std::string scriptPath;    // --script; "-" is standard input; empty: see RunsDemo
  std::string printerQueue;  // --printer: the CUPS queue printed to, whose PPD is the
                             // printer's when --ppd is not given
  std::string printFile;     // --print: submitted to --printer after the session
  EmitFormat emit = EmitFormat::kLines;  // --emit lines|json|lp
  bool emitAsked = false;    // --emit was given: drawings and summaries go to standard error
  bool quiet = false;        // --quiet: write only what `print` writes
  bool demo = false;         // --demo: run the bundled demo session
  bool strict = false;       // --strict: options the printer does not offer are errors
  bool gui = false;          // --gui: the pane in a window, worked by a person, not a script
  bool saveDefaults = false; // --save-defaults: after the session, the pane's settings become
                             // the --printer queue's defaults in lpoptions
  bool help = false;         // -h, --help
  bool version = false;      // --version
  // Test hooks, taken by the test build only and left out of the usage text:
  bool checkLeaks = false;   // --check-leaks: exit 3 when objects outlive the session
  std::vector<InjectedFailure> failures;  // --fail-allocation KIND[:COUNT[:SKIP]],
                                          // --fail-call OPERATION:STATUS[:COUNT[:SKIP]]
};

// Parses the arguments after the program name ("--name value" or "--name=value"; -o VALUE and
// -oVALUE as --options). Returns false with *error set to a one-line reason for an unknown
// option, a missing or bad value, an argument that is not an option, --print or --save-defaults
// without --printer, --save-defaults with --print, or two of --gui, --script and --demo.
bool ParseCommandLine(const std::vector<std::string>& arguments, HostOptions* options,
                      std::string* error);

// True when the session is the bundled demo: --demo, or no --script, --gui, --printer, --print,
// --options or --settings. Otherwise a session without a script is the dialog opened from the
// ticket and confirmed as it stands.
bool RunsDemo(const HostOptions& options);

// The usage text printed by --help.
std::string UsageText();

}  // namespace pdehost
