// main.cc: pdehost, the print-dialog host: opens the pane for a printer and runs a session.
#include <iostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CommandLine.h"
#include "DialogSession.h"
#include "GuiSession.h"
#include "OptionCheck.h"
#include "Paths.h"
#include "PpdScan.h"
#include "Script.h"
#include "ScriptRunner.h"
#include "SavedDefaults.h"
#include "StartingSettings.h"
#include "Submission.h"
#include "TemporaryPpd.h"
#include "Version.h"
#include "pde/CFHost.h"
#include "pde/EscapedText.h"
#include "pde/InputFiles.h"
#include "pde/PrintingHost.h"
#include "pde/cups/CupsOptions.h"
#include "pde/cups/CupsQueue.h"
#ifdef PDEHOST_TESTING
#include "pde/Diagnostics.h"
#endif

namespace {

using namespace pdehost;

constexpr int kExitOk = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitBadInput = 2;
#ifdef PDEHOST_TESTING
constexpr int kExitLeaked = 3;  // --check-leaks found objects alive after the session
#endif

// Writes a message line to standard error, its bytes escaped: names and texts in it may come
// from files and servers.
void Say(const std::string& message) {
  std::cerr << pde::EscapeBytes(message) << "\n";
}

// The bundle to load: --bundle, else the one the PPD names, else the one the build makes.
bool ResolveBundle(const HostOptions& options, const std::string& ppdPath, const PpdFacts& facts,
                   std::string* bundlePath, std::string* error) {
  if (!options.bundlePath.empty()) {
    *bundlePath = options.bundlePath;
    return true;
  }
  std::vector<std::string> notes;
  const bool located = LocateDialogExtension(ppdPath, facts, bundlePath, &notes, error);
  for (const std::string& note : notes) Say("pdehost: " + note);
  return located;
}

// The printer's PPD: --ppd, else the one the server holds for --printer (fetched into *fetched),
// else the bundled sample.
bool ResolvePpd(const HostOptions& options, TemporaryPpd* fetched, std::string* ppdPath,
                std::string* error) {
  if (!options.ppdPath.empty() || options.printerQueue.empty()) {
    *ppdPath = options.ppdPath.empty() ? DefaultPpdPath() : options.ppdPath;
    return true;
  }
  if (!fetched->Create(error)) return false;
  if (!pde::cups::FetchQueuePPDInto(options.printerQueue, fetched->fd(), fetched->path(), error) ||
      !fetched->Close(error)) {
    return false;
  }
  *ppdPath = fetched->path();
  return true;
}

#ifdef PDEHOST_TESTING
void InjectFailures(const std::vector<InjectedFailure>& failures) {
  for (const InjectedFailure& failure : failures) {
    if (failure.allocation) {
      pde::FailAllocations(failure.name, failure.count, failure.skip);
    } else {
      pde::InjectFailure(failure.name, failure.status, failure.count, failure.skip);
    }
  }
}
#endif  // PDEHOST_TESTING

// Says on standard error why the dialog goes on without the pane.
void ReportMissingPane(const DialogSession& session, const PpdFacts& facts) {
  Say("pdehost: " + session.WhyNoPane(facts.modelName) + "; the dialog goes on without the pane");
}

// Writes "pdehost: what" on standard error and returns the exit status for bad input.
int BadInput(const std::string& what) {
  Say("pdehost: " + what);
  return kExitBadInput;
}

// After the session: submits --print to --printer as the dialog's Print button would and adds
// the job's line to *out. Returns the exit status.
int PrintFile(const HostOptions& options, DialogSession* session, OptionCheck* check,
              std::string* out) {
  std::string note;
  std::string error;
  const int job =
      SubmitSessionJob(session, options.printerQueue, options.printFile, check, "", &note, &error);
  if (!note.empty()) Say("pdehost: " + note);
  if (job <= 0) return BadInput(error);
  *out += FormatSubmittedJob(options.emit, job, options.printerQueue);
  return kExitOk;
}

// The session's script: --script, the bundled demo, or (with no script) the dialog confirmed as
// it stands, which is one `print`.
bool LoadScript(const HostOptions& options, Script* script, std::string* error) {
  if (!options.scriptPath.empty()) return ReadScriptFile(options.scriptPath, script, error);
  if (RunsDemo(options)) return ReadScriptFile(DemoScriptPath(), script, error);
  return ParseScript("print\n", "", script, error);
}

// The starting options as the ticket will hold them: a later entry for a key wins.
OptionMap Starting(const SettingList& settings) {
  OptionMap options;
  for (const auto& [keyword, value] : settings) options[keyword] = value;
  return options;
}

// After the session: saves the pane's settings that differ from the queue's own defaults as its
// defaults (--save-defaults). Returns the exit status.
int SaveDefaults(const HostOptions& options, DialogSession* session,
                 const std::vector<pde::PPDOption>& ppdOptions, const SettingList& queueDefaults) {
  if (!session->paneShown())
    return BadInput("no pane for queue \"" + options.printerQueue + "\": no default is saved");
  const OSStatus synced = session->Sync(false);
  if (synced != noErr) {
    return BadInput("the pane's Sync failed (status " + std::to_string(synced) +
                    "): no default is saved");
  }
  OptionMap chosen;
  std::vector<std::string> messages;
  std::string error;
  const bool saved =
      session->PrintSettings(&chosen, &error) &&
      SavePaneDefaults(options.printerQueue, ppdOptions, Starting(queueDefaults), chosen,
                       &messages, &error);
  for (const std::string& message : messages) Say("pdehost: " + message);
  return saved ? kExitOk : BadInput(error);
}

// Runs the session; returns the exit status and fills *out with what goes to standard output.
int RunSession(const HostOptions& options, std::string* out) {
  std::string error;
  TemporaryPpd fetchedPpd;
  std::string ppdPath;
  if (!ResolvePpd(options, &fetchedPpd, &ppdPath, &error) ||
      (!options.printFile.empty() && !pde::cups::CanSubmitFile(options.printFile, &error))) {
    return BadInput(error);
  }
  PpdFacts facts;
  Script script;
  SessionSetup setup;
  SettingList queueDefaults;
  std::unordered_map<std::string, std::string> origins;  // "FILE:LINE: " of --settings' keywords
  if (!ScanPpd(ppdPath, &facts, &error) ||
      (!options.gui && !LoadScript(options, &script, &error)) ||
      !GatherStartingSettings(options, facts.options, &setup.settings, &origins, &error,
                              &queueDefaults) ||
      !ResolveBundle(options, ppdPath, facts, &setup.bundlePath, &error)) {
    return BadInput(error);
  }
  setup.ppdPath = ppdPath;
  OptionCheck check(facts.options, options.strict);
  if (!check.Check(Starting(setup.settings), "", &error, &origins)) return BadInput(error);

#ifdef PDEHOST_TESTING
  InjectFailures(options.failures);
#endif
  DialogSession session;
  if (!session.Open(setup, &error) || !session.Start(&error)) return BadInput(error);
  if (!session.paneShown()) ReportMissingPane(session, facts);
  if (options.gui) {
    const int status = RunGuiSession(&session, options, &check, out);
    if (!pde::RefusedInputFiles().empty()) return kExitBadInput;
    if (status == kExitOk && options.saveDefaults)
      return SaveDefaults(options, &session, facts.options, queueDefaults);
    return status == kExitOk && !options.printFile.empty()
               ? PrintFile(options, &session, &check, out)
               : status;
  }
  const RunSettings settings{options.emit, options.emitAsked, options.quiet, options.printerQueue,
                             &check};
  const RunResult result = RunScript(script, &session, settings, out, std::cerr);
  // A file of the bundle a platform layer refused on the way (its message is out): bad input.
  if (!pde::RefusedInputFiles().empty()) return kExitBadInput;
  switch (result.outcome) {
    case RunOutcome::kCompleted:
      if (options.saveDefaults) return SaveDefaults(options, &session, facts.options, queueDefaults);
      return options.printFile.empty() ? kExitOk : PrintFile(options, &session, &check, out);
    case RunOutcome::kExpectFailed:
      Say("pdehost: " + result.message);
      return kExitExpectFailed;
    case RunOutcome::kBadInput:
      return BadInput(result.message);
  }
  return kExitBadInput;
}

}  // namespace

int main(int argc, char** argv) {
  HostOptions options;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    Say("pdehost: " + error);
    std::cerr << "Try 'pdehost --help' for more information.\n";
    return kExitBadInput;
  }
  if (options.help) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (options.version) {
    std::cout << VersionText("pdehost");
    return kExitOk;
  }

  std::string out;
  int status = RunSession(options, &out);
#ifdef PDEHOST_TESTING
  pde::ClearInjectedFailures();
  if (options.checkLeaks && (pde::LiveObjectCount() != 0 || pde::LiveTicketCount() != 0)) {
    std::cerr << "pdehost: " << pde::LiveObjectCount() << " Core Foundation objects and "
              << pde::LiveTicketCount() << " tickets outlived the session\n";
    status = kExitLeaked;
  }
#endif
  if (status != kExitBadInput) std::cout << out << std::flush;
  return status;
}
