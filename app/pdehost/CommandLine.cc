// CommandLine.cc: a table-driven parser of pdehost's options.
#include "CommandLine.h"

#include <charconv>
#include <functional>
#include <optional>
#include <string_view>

namespace pdehost {

namespace {

#ifdef PDEHOST_TESTING
std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || code != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Splits text at every ":".
std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t colon = text.find(':', start);
    fields.push_back(text.substr(start, colon - start));
    if (colon == std::string_view::npos) return fields;
    start = colon + 1;
  }
}

// Parses KIND[:COUNT[:SKIP]] or OPERATION:STATUS[:COUNT[:SKIP]].
bool ParseFailure(std::string_view text, bool allocation, InjectedFailure* failure) {
  const std::vector<std::string_view> fields = SplitFields(text);
  const size_t required = allocation ? 1 : 2;
  if (fields.empty() || fields[0].empty() || fields.size() < required ||
      fields.size() > required + 2) {
    return false;
  }
  failure->allocation = allocation;
  failure->name = std::string(fields[0]);
  std::optional<int> value;
  if (!allocation) {
    if (!(value = ParseInt(fields[1]))) return false;
    failure->status = *value;
  }
  if (fields.size() > required) {
    if (!(value = ParseInt(fields[required]))) return false;
    failure->count = *value;
  }
  if (fields.size() > required + 1) {
    if (!(value = ParseInt(fields[required + 1])) || *value < 0) return false;
    failure->skip = *value;
  }
  return true;
}
#endif  // PDEHOST_TESTING

struct OptionRule {
  std::string_view name;
  bool takesValue;
  // Applies the value; returns a reason when it is bad, or an empty string.
  std::function<std::string(HostOptions*, const std::string&)> apply;
};

std::string SetPath(std::string* field, const std::string& value, std::string_view what) {
  if (value.empty()) return std::string(what) + " needs a file name";
  *field = value;
  return {};
}

const std::vector<OptionRule>& Specs() {
  static const std::vector<OptionRule> rules = {
      {"--ppd", true,
       [](HostOptions* o, const std::string& v) -> std::string { return SetPath(&o->ppdPath, v, "--ppd"); }},
      {"--bundle", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         return SetPath(&o->bundlePath, v, "--bundle");
       }},
      {"--options", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         o->optionList += (o->optionList.empty() ? "" : " ") + v;
         return std::string();
       }},
      {"--settings", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         return SetPath(&o->settingsPath, v, "--settings");
       }},
      {"--script", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         return SetPath(&o->scriptPath, v, "--script");
       }},
      {"--printer", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         if (v.empty()) return "--printer needs a queue name";
         o->printerQueue = v;
         return std::string();
       }},
      {"--print", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         return SetPath(&o->printFile, v, "--print");
       }},
      {"--emit", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         if (v == "lines") {
           o->emit = EmitFormat::kLines;
         } else if (v == "json") {
           o->emit = EmitFormat::kJson;
         } else if (v == "lp") {
           o->emit = EmitFormat::kLp;
         } else {
           return "--emit takes lines, json or lp, not \"" + v + "\"";
         }
         o->emitAsked = true;
         return std::string();
       }},
      {"--quiet", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->quiet = true;
         return std::string();
       }},
      {"--demo", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->demo = true;
         return std::string();
       }},
      {"--strict", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->strict = true;
         return std::string();
       }},
      {"--gui", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->gui = true;
         return std::string();
       }},
      {"--save-defaults", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->saveDefaults = true;
         return std::string();
       }},
      {"--help", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->help = true;
         return std::string();
       }},
      {"-h", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->help = true;
         return std::string();
       }},
      {"--version", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->version = true;
         return std::string();
       }},
#ifdef PDEHOST_TESTING
      // The test build's hooks, left out of the usage text.
      {"--check-leaks", false,
       [](HostOptions* o, const std::string&) -> std::string {
         o->checkLeaks = true;
         return std::string();
       }},
      {"--fail-allocation", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         InjectedFailure failure;
         if (!ParseFailure(v, true, &failure)) return "--fail-allocation takes KIND[:COUNT[:SKIP]]";
         o->failures.push_back(failure);
         return "";
       }},
      {"--fail-call", true,
       [](HostOptions* o, const std::string& v) -> std::string {
         InjectedFailure failure;
         if (!ParseFailure(v, false, &failure)) {
           return "--fail-call takes OPERATION:STATUS[:COUNT[:SKIP]]";
         }
         o->failures.push_back(failure);
         return "";
       }},
#endif  // PDEHOST_TESTING
  };
  return rules;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, HostOptions* options,
                      std::string* error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    // lp's -o VALUE and -oVALUE are --options.
    if (argument == "-o") {
      argument = "--options";
    } else if (argument.starts_with("-o")) {
      argument = "--options=" + argument.substr(2);
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionRule* rule = nullptr;
    for (const OptionRule& candidate : Specs()) {
      if (candidate.name == name) rule = &candidate;
    }
    if (rule == nullptr) {
      *error = argument.starts_with("-") ? "unknown option " + name
                                         : "unexpected argument \"" + argument + "\"";
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      if (!rule->takesValue) {
        *error = name + " takes no value";
        return false;
      }
      value = argument.substr(equals + 1);
    } else if (rule->takesValue) {
      if (i + 1 >= arguments.size()) {
        *error = name + " needs a value";
        return false;
      }
      value = arguments[++i];
    }
    const std::string why = rule->apply(options, value);
    if (!why.empty()) {
      *error = why;
      return false;
    }
  }
  if (!options->printFile.empty() && options->printerQueue.empty()) {
    *error = "--print needs --printer QUEUE";
    return false;
  }
  if (options->saveDefaults && (options->printerQueue.empty() || !options->printFile.empty())) {
    *error = "--save-defaults needs --printer QUEUE and no --print";
    return false;
  }
  const int sessions = (options->gui ? 1 : 0) + (options->scriptPath.empty() ? 0 : 1) +
                       (options->demo ? 1 : 0);
  if (sessions > 1) {
    *error = "give only one of --gui, --script and --demo";
    return false;
  }
  return true;
}

bool RunsDemo(const HostOptions& options) {
  return options.demo ||
         (options.scriptPath.empty() && !options.gui && options.printerQueue.empty() &&
          options.printFile.empty() && options.optionList.empty() && options.settingsPath.empty());
}

std::string UsageText() {
  return "usage: pdehost [--ppd FILE] [--bundle DIR] [--options \"K=V ...\" | -o K=V]...\n"
         "               [--settings FILE] [--script FILE | - | --demo | --gui] [--strict]\n"
         "               [--emit lines|json|lp] [--quiet]\n"
         "               [--printer QUEUE [--print FILE | --save-defaults]]\n"
         "\n"
         "Opens the print dialog's pane for a printer and runs a session script. Without a\n"
         "script, --printer, --print, --options and --settings open the dialog from the\n"
         "ticket and confirm it as it stands; with none of them, the bundled demo runs.\n"
         "  --ppd FILE        the printer's PPD (default: the queue's, else the bundled sample)\n"
         "  --bundle DIR      the dialog-extension bundle (default: the one the PPD names, or\n"
         "                    else the one the build makes)\n"
         "  --options LIST    PPD options the job starts with, as lp -o takes them; -o LIST\n"
         "                    is the same, and both may be given more than once\n"
         "  --settings FILE   PPD options the job starts with: KEY=VALUE lines, as `print`\n"
         "                    writes them, or an lpoptions file (its lines for the queue)\n"
         "  --script FILE     the session script; - reads standard input\n"
         "  --demo            run the bundled demo session\n"
         "  --gui             show the pane, its summary and Print and Cancel in a window;\n"
         "                    Print writes the options as `print` does (exit 1 for Cancel)\n"
         "  --strict          refuse options the printer does not offer (exit 2), instead\n"
         "                    of naming them on standard error\n"
         "  --emit FORMAT     how `print` writes the options: lines (KEY=VALUE), json (one\n"
         "                    JSON object a line) or lp (lp -o arguments); with --emit,\n"
         "                    drawings and summaries go to standard error\n"
         "  --quiet           write only what `print` and `submit` write\n"
         "  --printer QUEUE   the CUPS queue to print to (CUPS_SERVER names the server); the\n"
         "                    job starts from its saved defaults, as lp's does\n"
         "  --print FILE      after the session, submit FILE to the queue with the dialog's\n"
         "                    options and write the job ID\n"
         "  --save-defaults   after the session (with --gui: Save), save the pane's settings\n"
         "                    that differ from the queue's defaults as its defaults in\n"
         "                    ~/.cups/lpoptions (root: /etc/cups/lpoptions), for every\n"
         "                    application; never the DIN, nor the print mode Private\n"
         "  -h, --help        this text\n"
         "  --version         the program's version\n"
         "Exit status: 0 the session ran, 1 an expect failed or Cancel, 2 bad input.\n";
}

}  // namespace pdehost
