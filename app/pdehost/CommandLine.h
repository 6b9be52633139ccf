// CommandLine.h: the options of pdehost and their parser.
#pragma once

#include <string>
#include <vector>

namespace pdehost {

enum class EmitFormat { kLines, kJson };

// A failure to inject into the platform before the session starts (a test hook).
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
  std::string optionList;    // every --options, joined by blanks (later entries win)
  std::string settingsPath;  // --settings
  std::string scriptPath;    // --script; "-" is standard input; empty: the bundled demo
  std::string printerQueue;  // --printer: the CUPS queue printed to, whose PPD is the
                             // printer's when --ppd is not given
  std::string printFile;     // --print: submitted to --printer after the session
  EmitFormat emit = EmitFormat::kLines;  // --emit lines|json
  bool quiet = false;        // --quiet: write only what `print` writes
  bool gui = false;          // --gui: the pane in a window, worked by a person, not a script
  bool help = false;         // -h, --help
  bool version = false;      // --version
  // Test hooks, left out of the usage text:
  bool checkLeaks = false;   // --check-leaks: exit 3 when objects outlive the session
  std::vector<InjectedFailure> failures;  // --fail-allocation KIND[:COUNT[:SKIP]],
                                          // --fail-call OPERATION:STATUS[:COUNT[:SKIP]]
};

// Parses the arguments after the program name ("--name value" or "--name=value"). Returns
// false with *error set to a one-line reason for an unknown option, a missing or bad value, an
// argument that is not an option, --print without --printer, or --gui with --script.
bool ParseCommandLine(const std::vector<std::string>& arguments, HostOptions* options,
                      std::string* error);

// The usage text printed by --help and after a command-line error.
std::string UsageText();

}  // namespace pdehost
