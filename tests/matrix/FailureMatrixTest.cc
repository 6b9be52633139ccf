// FailureMatrixTest.cc: the pane's whole life through its bundle, once for every call of every
// platform operation that can be made to fail, once for every platform allocation along the way
// and once for every allocation of the plug-in's own, each failing in turn. Each time: no crash,
// every step's status as the pane's rules name it, the pane torn down, nothing left alive.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/common_interface_defs.h>
#define PDE_MATRIX_SANITIZED 1
#endif
#endif

#include "PaneLifecycle.h"
#include "PlugInAllocations.h"
#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/InputFileCache.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::matrix {
namespace {

// The status an injected failure carries: one no operation returns by itself.
constexpr OSStatus kInjected = -4242;
constexpr OSStatus kRefused = -9530;    // kPMInvalidPDEContext: no pane for this printer
constexpr OSStatus kNoTicket = -30891;  // kPMInvalidTicket
constexpr const char* kTimerMessage =
    "Relationship timer creation failed! Probably lack of memory.";

using Statuses = std::array<OSStatus, kStepCount>;

// Thousands of lives print the printer's model name and the nib reader's complaints to standard
// error: they go to /dev/null while a life runs.
class QuietStandardError {
 public:
  QuietStandardError() : saved_(dup(STDERR_FILENO)) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    close(null);
  }
  ~QuietStandardError() {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_;
};

// The sanitizers report to the real standard error, also while a life is quiet.
void KeepSanitizerReportsOnStandardError() {
#ifdef PDE_MATRIX_SANITIZED
  __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(dup(STDERR_FILENO))));
#endif
}

LifeResult RunQuietLife(const LifeHooks& hooks = {}) {
  QuietStandardError quiet;
  return RunLife(hooks);
}

// The statuses that differ from the nominal ones when the operation fails at its call number
// index within step: usually that step's own, sometimes a later step's.
using Overrides = std::map<int, OSStatus>;
using Rule = std::function<Overrides(int step, int index)>;

// A rule that names the status of some steps when the failure falls in them.
Rule Steps(std::map<int, OSStatus> statuses) {
  return [statuses](int step, int) {
    auto found = statuses.find(step);
    return found == statuses.end() ? Overrides{} : Overrides{*found};
  };
}

Rule Nominal() {
  return Steps({});
}

// Every operation the platform lets tests fail, with what the pane then returns.
const std::map<std::string, Rule>& Rules() {
  static const auto* rules = new std::map<std::string, Rule>{
      // Nib, window and controls: no pane in Prologue or Initialize; bounds and title failures
      // of Prologue pass on unchanged.
      {"CreateNibReferenceWithCFBundle", Steps({{kPrologue, kRefused}, {kInitialize, kRefused}})},
      {"CreateWindowFromNib", Steps({{kPrologue, kRefused}, {kInitialize, kRefused}})},
      {"GetWindowBounds", Steps({{kPrologue, kInjected}, {kInitialize, kRefused}})},
      {"CopyWindowTitleAsCFString", Steps({{kPrologue, kInjected}})},
      {"GetControlByID", Steps({{kInitialize, kRefused}})},
      {"EmbedControl", Steps({{kInitialize, kRefused}})},
      // The printer gate: every failure declines the pane.
      {"ppdOpenCompiledPPDFromTicket", Steps({{kInitialize, kRefused}})},
      {"ppdGetInvocationString", Steps({{kInitialize, kRefused}})},
      {"ppdCloseCompiledPPDFromTicket", Steps({{kInitialize, kRefused}})},
      // Tickets: the gate's printer-info ticket declines the pane; the print-settings ticket's
      // absence, or its dictionary's failure, ends the synchronisation with its status.
      {"PMSessionGetDataFromSession",
       [](int step, int index) {
         if (step == kInitialize) return Overrides{{step, index == 0 ? kRefused : kNoTicket}};
         if (step == kSyncIn || step == kSyncOut) return Overrides{{step, kNoTicket}};
         return Overrides{};
       }},
      {"PMTicketGetPPDDict",
       Steps({{kInitialize, kInjected}, {kSyncIn, kInjected}, {kSyncOut, kInjected}})},
      // Summary: an item text that cannot be read fails it with the toolkit's status.
      {"CopyMenuItemTextAsCFString", Steps({{kSummary, kInjected}})},
      // Failures the pane rides out: a field that cannot be read or set, a key whose character
      // cannot be read, a filter that cannot be installed, a timer that cannot be made (the next
      // command makes it).
      {"GetControlData", Nominal()},
      {"SetControlData", Nominal()},
      {"GetEventParameter", Nominal()},
      {"CFRunLoopTimerCreate", Nominal()},
      // Initialize installs the four key filters, then the command handler. Without the handler
      // no command enables the DIN field, so the user cannot type into it.
      {"InstallEventHandler",
       [](int step, int index) {
         if (step == kInitialize && index == 4) return Overrides{{kKeys, kControlDisabledStatus}};
         return Overrides{};
       }},
  };
  return *rules;
}

// The statuses of a life in which the failure falls in failStep: nominal but for overrides. The
// host gives a pane refused in Prologue or Initialize nothing more than Terminate, and a loader
// without an instance or an interface has nothing to call.
Statuses Expected(int failStep, const Overrides& overrides) {
  Statuses expected;
  for (int step = 0; step < kStepCount; ++step) expected[step] = NominalStatus(step);
  for (const auto& [step, status] : overrides) expected[step] = status;
  if (failStep > kInitialize || expected[failStep] == NominalStatus(failStep)) return expected;
  const int lastSkipped = failStep == kFactory || failStep == kQuery ? kTerminate : kOpenClose;
  for (int step = failStep + 1; step <= lastSkipped; ++step) expected[step] = kNotRun;
  return expected;
}

std::string Describe(const Statuses& statuses) {
  std::ostringstream text;
  for (int step = 0; step < kStepCount; ++step) {
    text << (step ? ", " : "") << StepName(step) << " ";
    if (statuses[step] == kNotRun)
      text << "-";
    else
      text << statuses[step];
  }
  return text.str();
}

// What must hold after every life: nothing of it left alive.
void ExpectNothingLeft(const LifeResult& result, long objects, long toolkitObjects,
                       const std::string& label) {
  EXPECT_EQ(result.faults, "") << label;
  EXPECT_EQ(LiveObjectCount(), objects) << label << ": Core Foundation objects left alive";
  EXPECT_EQ(LiveToolkitObjectCount(), toolkitObjects) << label << ": toolkit objects left alive";
  EXPECT_EQ(LiveTicketCount(), 0) << label << ": tickets left alive";
  EXPECT_EQ(OutstandingPlugInAllocations(), 0) << label << ": the plug-in's memory not freed";
}

// The number of calls of operation made in each step of a life in which nothing fails. Counted
// through the injection hooks alone: a failure armed far ahead is read back after each step by
// taking its skips until it fires, then armed again with what is left.
std::array<int, kStepCount> CallsPerStep(const std::string& operation) {
  constexpr int kFar = 4096;
  std::array<int, kStepCount> calls{};
  int remaining = kFar;
  auto takeRemaining = [&] {
    OSStatus ignored;
    for (int taken = 0; taken <= kFar; ++taken) {
      if (TakeInjectedFailure(operation, &ignored)) return taken;
    }
    return -1;
  };
  LifeHooks hooks;
  hooks.start = [&] { InjectFailure(operation, kInjected, 1, kFar); };
  hooks.afterStep = [&](int step) {
    const int left = takeRemaining();
    calls[step] = remaining - left;
    remaining = left;
    InjectFailure(operation, kInjected, 1, left);
  };
  hooks.end = [] { ClearInjectedFailures(); };
  const LifeResult result = RunQuietLife(hooks);
  EXPECT_EQ(result.faults, "") << operation;
  return calls;
}

class FailureMatrix : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(LoadPlugIn(&error)) << error;
    KeepSanitizerReportsOnStandardError();
    // The bundle reads its strings table and nib on first use and keeps some of it: one life
    // first, so that every life after it starts from the same state.
    RunQuietLife();
  }
  void SetUp() override {
    ClearLoggedMessages();
    objects_ = LiveObjectCount();
    toolkitObjects_ = LiveToolkitObjectCount();
  }

  long objects_ = 0;
  long toolkitObjects_ = 0;
};

TEST_F(FailureMatrix, ALifeInWhichNothingFailsIsNominal) {
  const LifeResult result = RunQuietLife();
  EXPECT_EQ(Describe(result.status), Describe(Expected(kTerminate, {})));
  ExpectNothingLeft(result, objects_, toolkitObjects_, "nothing failing");
}

// The matrix below covers exactly the operations the platform can fail.
TEST_F(FailureMatrix, EveryOperationThePlatformCanFailHasARule) {
  const std::regex call(R"(TakeInjectedFailure\("([A-Za-z0-9_]+)\")");
  std::set<std::string> injectable;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(PDE_PLATFORM_SOURCE_DIR)) {
    if (entry.path().extension() != ".cc") continue;
    std::ifstream file(entry.path());
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    for (std::sregex_iterator match(text.begin(), text.end(), call), end; match != end; ++match) {
      injectable.insert((*match)[1]);
    }
  }
  std::set<std::string> ruled;
  for (const auto& [operation, rule] : Rules()) ruled.insert(operation);
  EXPECT_EQ(injectable, ruled);
}

TEST_F(FailureMatrix, EveryCallOfEveryInjectableOperationFailingInTurn) {
  for (const auto& [name, rule] : Rules()) {
    const std::string operation = name;  // captured by the hooks below
    const std::array<int, kStepCount> calls = CallsPerStep(operation);
    int total = 0;
    for (int count : calls) total += count;
    EXPECT_GT(total, 0) << operation << " is never called in a life: its failure goes untested";
    for (int failing = 0; failing < total; ++failing) {
      int step = 0;
      int index = failing;
      while (index >= calls[step]) index -= calls[step++];
      const std::string label = operation + " failing at call " + std::to_string(failing) + " (" +
                                StepName(step) + ", its call " + std::to_string(index) + ")";
      std::vector<std::string> logged;
      LifeHooks hooks;
      hooks.start = [&] { InjectFailure(operation, kInjected, 1, failing); };
      hooks.end = [&] {
        ClearInjectedFailures();
        logged = LoggedMessages();
        ClearLoggedMessages();
      };
      const LifeResult result = RunQuietLife(hooks);
      EXPECT_EQ(Describe(result.status), Describe(Expected(step, rule(step, index)))) << label;
      const bool timerFailed = operation == "CFRunLoopTimerCreate";
      EXPECT_EQ(logged,
                timerFailed ? std::vector<std::string>{kTimerMessage} : std::vector<std::string>{})
          << label;
      ExpectNothingLeft(result, objects_, toolkitObjects_, label);
    }
  }
}

// What a step may return when one of its allocations fails (the host's own included: an event
// the host cannot make fails its command or key with memFullErr).
std::set<OSStatus> AllowedWhenAllocationFails(int step) {
  switch (step) {
    case kFactory:
    case kQuery:
      return {noErr, memFullErr};
    case kPrologue:
      return {noErr, kRefused, memFullErr};  // no nib window; no title
    case kInitialize:
      return {noErr, kRefused};  // no model name or nib window: no pane; anything else is skipped
    case kChoosePrivate:
    case kChooseDepartment:
      return {eventNotHandledErr, memFullErr};
    case kSyncIn:
    case kSyncOut:
    case kKeys:
    case kSummary:
      return {noErr, memFullErr};
    default:
      return {noErr};
  }
}

// The number of allocations counter() counts in each step of a life in which nothing fails;
// reset() runs when the life starts.
std::array<long, kStepCount> AllocationsPerStep(const std::function<void()>& reset,
                                                const std::function<long()>& counter) {
  std::array<long, kStepCount> perStep{};
  long before = 0;
  LifeHooks hooks;
  hooks.start = reset;
  hooks.afterStep = [&](int step) {
    perStep[step] = counter() - before;
    before = counter();
  };
  RunQuietLife(hooks);
  return perStep;
}

int StepOfAllocation(const std::array<long, kStepCount>& perStep, long allocation) {
  int step = 0;
  while (allocation >= perStep[step]) allocation -= perStep[step++];
  return step;
}

// Empties the kept nibs and compiled PPDs, so that a life reads and makes them again.
void ForgetKeptFiles() {
  ClearInputFileCaches(InputKind::kNib);
  ClearInputFileCaches(InputKind::kPPD);
}

// Every allocation failing in turn, once in lives that find the nib and the PPD kept from an
// earlier life and once in lives that must read and keep them first.
TEST_F(FailureMatrix, EveryPlatformAllocationFailingInTurn) {
  for (const bool keptFiles : {true, false}) {
    auto start = [keptFiles] {
      ClearInjectedFailures();
      if (!keptFiles) ForgetKeptFiles();
    };
    const std::array<long, kStepCount> perStep =
        AllocationsPerStep(start, [] { return CountAllocations("*"); });
    long total = 0;
    for (long count : perStep) total += count;
    ASSERT_GT(total, 0);
    if (!keptFiles) {
      EXPECT_GT(CountAllocations("InputFile"), 0) << "the nib and the PPD were not read afresh";
      EXPECT_GT(CountAllocations("InputFileCache"), 0) << "the nib and the PPD were not kept";
    }
    for (long failing = 0; failing < total; ++failing) {
      const int failStep = StepOfAllocation(perStep, failing);
      const std::string label = "allocation " + std::to_string(failing) + " failing (" +
                                StepName(failStep) + (keptFiles ? ")" : ", files read afresh)");
      LifeHooks hooks;
      hooks.start = [&] {
        start();
        FailAllocations("*", 1, static_cast<int>(failing));
      };
      hooks.end = [] {
        ClearInjectedFailures();
        ClearLoggedMessages();
      };
      const LifeResult result = RunQuietLife(hooks);
      const OSStatus failed = result.status[failStep];
      EXPECT_TRUE(AllowedWhenAllocationFails(failStep).count(failed)) << label << ": " << failed;
      // Before the failure all is nominal; after it, too, but for a refused pane (Terminate
      // alone), and a DIN field no command has enabled: the command handler could not be
      // installed, or the host could not send the command that chooses "Private".
      Statuses expected = Expected(failStep, {{failStep, failed}});
      if ((failStep == kInitialize || failStep == kChoosePrivate) &&
          result.status[kKeys] == kControlDisabledStatus) {
        expected[kKeys] = kControlDisabledStatus;
      }
      EXPECT_EQ(Describe(result.status), Describe(expected)) << label;
      ExpectNothingLeft(result, objects_, toolkitObjects_, label);
    }
  }
}

// The plug-in's own allocations: its instance, its interface object and table, its context and
// its four key filters.
TEST_F(FailureMatrix, EveryAllocationOfThePlugInFailingInTurn) {
  const std::array<long, kStepCount> perStep =
      AllocationsPerStep(ResetPlugInAllocations, PlugInAllocationCount);
  EXPECT_EQ(perStep[kFactory], 1);
  EXPECT_EQ(perStep[kQuery], 2);
  EXPECT_EQ(perStep[kPrologue], 1);
  EXPECT_EQ(perStep[kInitialize], 4);
  long total = 0;
  for (long count : perStep) total += count;
  EXPECT_EQ(total, 8) << "the plug-in allocates nothing after Initialize";
  for (long failing = 0; failing < total; ++failing) {
    const int failStep = StepOfAllocation(perStep, failing);
    const std::string label = "the plug-in's allocation " + std::to_string(failing) + " failing (" +
                              StepName(failStep) + ")";
    LifeHooks hooks;
    hooks.start = [&] {
      ResetPlugInAllocations();
      FailPlugInAllocation(failing);
    };
    hooks.end = [] { ResetPlugInAllocations(); };
    const LifeResult result = RunQuietLife(hooks);
    // No instance, no interface, no context (memFullErr, then Terminate given null); a pane
    // without one of its filters works on.
    const Overrides overrides =
        failStep == kInitialize ? Overrides{} : Overrides{{failStep, memFullErr}};
    EXPECT_EQ(Describe(result.status), Describe(Expected(failStep, overrides))) << label;
    ExpectNothingLeft(result, objects_, toolkitObjects_, label);
  }
}

}  // namespace
}  // namespace pde::matrix
