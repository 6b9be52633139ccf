// PaneBenchmarks.cc: what the pane costs its host: opening it (with the bundle loaded, as a
// process's first open, on a large PPD, and cold, loading the bundle too); a Sync round trip; one
// typed key through both filters; the summary; and a soak of open/close cycles for memory and live
// objects.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchPane.h"
#include "NibReader.h"
#include "PPDLib/PPDLib.h"
#include "PaneControls.h"
#include "PlugInLoader.h"
#include "pde/CFHost.h"
#include "pde/InputFileCache.h"

namespace pde::bench {
namespace {

constexpr int kPrintModeID = pdehost::kPrintModeControl, kDINID = pdehost::kDinControl;

// Prologue and Initialize into a fresh host pane, then Terminate, loading the bundle through the
// plug-in loader first and unloading it after. Registered first: once another benchmark holds
// the bundle, it stays loaded.
void PaneOpenCold(benchmark::State& state) {
  Session session;
  for (auto _ : state) {
    std::string error;
    auto extension = pdehost::DialogExtension::Load(BundlePath(), &error);
    if (!extension) {
      state.SkipWithError(error.c_str());
      break;
    }
    HostWindow host;
    OpenPane pane(session, host, extension->operations());
    if (!pane.ok()) state.SkipWithError("the pane did not open");
  }
}
BENCHMARK(PaneOpenCold);

// Prologue and Initialize into a fresh host pane, then Terminate, once an iteration, the bundle
// loaded; with forgetKept, the kept nibs and PPDs are emptied first, as in a new process.
void OpenPanes(benchmark::State& state, const Session& session, bool forgetKept = false) {
  const PlugInIntfVTable& operations = Operations();
  for (auto _ : state) {
    if (forgetKept) {
      ClearInputFileCaches(InputKind::kNib);
      ClearInputFileCaches(InputKind::kPPD);
    }
    HostWindow host;
    OpenPane pane(session, host, operations);
    if (!pane.ok()) state.SkipWithError("the pane did not open");
  }
}

void PaneOpen(benchmark::State& state) {
  OpenPanes(state, Session());
}
BENCHMARK(PaneOpen);

void PaneOpenFirst(benchmark::State& state) {
  OpenPanes(state, Session(), true);
}
BENCHMARK(PaneOpenFirst);

// PaneOpen on a PPD of 60,000 lines of options, seen before.
void PaneOpenLargePPD(benchmark::State& state) {
  const Session session(LargePPD());
  {
    HostWindow host;
    OpenPane first(session, host, Operations());  // compiles the PPD: libcups takes some 0.5 s
  }
  OpenPanes(state, session);
}
BENCHMARK(PaneOpenLargePPD);

// What a first PaneOpen costs more for its PPD: the PPD library's open of the sample with nothing
// kept (read, checked, parsed by libcups, compiled), its model name read, closed.
void PPDOpenFirst(benchmark::State& state) {
  static const unsigned char kModelName[] = {9, 'M', 'o', 'd', 'e', 'l', 'N', 'a', 'm', 'e'};
  Session session;
  for (auto _ : state) {
    ClearInputFileCaches(InputKind::kPPD);
    PPDContext context = nullptr;
    FSSpec file{};
    Str255 model{};
    if (ppdOpenCompiledPPDFromTicket(session.printerInfo(), &context, &file) != noErr) {
      state.SkipWithError("the PPD did not open");
      break;
    }
    ppdGetInvocationString(context, ppdGetMainIndex(context, kModelName), 0, model, sizeof model);
    ppdCloseCompiledPPDFromTicket(context, &file);
    benchmark::DoNotOptimize(model);
  }
}
BENCHMARK(PPDOpenFirst);

// The pane's nib window, loaded from the bundle and disposed of, as Prologue and Initialize each
// do once.
void NibWindow(benchmark::State& state) {
  Operations();
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("org.pdekit.ZORPDE"));
  for (auto _ : state) {
    IBNibRef nib = nullptr;
    WindowRef window = nullptr;
    if (CreateNibReferenceWithCFBundle(bundle, CFSTR("PDE"), &nib) != noErr ||
        CreateWindowFromNib(nib, CFSTR("Window"), &window) != noErr) {
      state.SkipWithError("the nib window did not load");
      break;
    }
    DisposeNibReference(nib);
    DisposeWindow(window);
  }
}
BENCHMARK(NibWindow);

// What a first NibWindow costs more: the nib's file read and checked, before any window is built.
void NibFileRead(benchmark::State& state) {
  const std::string path = BundlePath() + "/Contents/Resources/PDE.nib/objects.plist";
  for (auto _ : state) {
    std::string error;
    if (!toolkit::ReadNibFile(path, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
}
BENCHMARK(NibFileRead);

// An open pane for the benchmarks that work one: the DIN field enabled and full, the caret at
// its end.
struct WorkingPane {
  const PlugInIntfVTable& operations = Operations();
  Session session;
  HostWindow host;
  OpenPane pane{session, host, operations};
  ControlRef din = nullptr;

  WorkingPane() {
    ChoosePopupItem(host.Control(kPrintModeID), 3);
    RunLoopRunOnePass();
    din = host.Control(kDINID);
    SelectText(din, 0, 5);
    TypeText(din, "13579");
  }
};

// Sync into the ticket, then back into the pane.
void SyncRoundTrip(benchmark::State& state) {
  WorkingPane working;
  for (auto _ : state) {
    working.operations.Sync(working.pane.context(), working.session.get(), false);
    working.operations.Sync(working.pane.context(), working.session.get(), true);
  }
}
BENCHMARK(SyncRoundTrip);

// A digit typed into the full DIN field: the digits-only filter lets it pass, the length filter
// reads the text and the selection and consumes it. Nothing changes, so every key is the same.
void TypedKey(benchmark::State& state) {
  WorkingPane working;
  for (auto _ : state) TypeKey(working.host.window(), '9');
  const ControlSnapshot din = SnapshotControl(working.din);
  if (din.text != "13579" || !din.enabled) state.SkipWithError("the key was not refused");
}
BENCHMARK(TypedKey);

void SummaryText(benchmark::State& state) {
  WorkingPane working;
  for (auto _ : state) {
    CFArrayRef titles = nullptr;
    CFArrayRef settings = nullptr;
    working.operations.GetSummaryText(working.pane.context(), &titles, &settings);
    CFRelease(titles);
    CFRelease(settings);
  }
}
BENCHMARK(SummaryText);

// 100,000 open/close cycles after 1,000 to warm up: resident memory and live objects before and
// after, which must stay flat.
void Soak(benchmark::State& state) {
  constexpr int kWarmUp = 1000;
  constexpr int kCycles = 100000;
  const PlugInIntfVTable& operations = Operations();
  Session session;
  auto cycle = [&] {
    HostWindow host;
    OpenPane pane(session, host, operations);
    return pane.ok();
  };
  for (auto _ : state) {
    for (int i = 0; i < kWarmUp; ++i) cycle();
    const long residentBefore = ResidentKilobytes();
    const long objectsBefore = LiveObjects();
    int failed = 0;
    for (int i = 0; i < kCycles; ++i) failed += !cycle();
    state.counters["rss_before_kB"] = static_cast<double>(residentBefore);
    state.counters["rss_after_kB"] = static_cast<double>(ResidentKilobytes());
    state.counters["live_objects_gained"] = static_cast<double>(LiveObjects() - objectsBefore);
    state.counters["failed_opens"] = failed;
    state.counters["cycles"] = kCycles;
  }
}
BENCHMARK(Soak)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pde::bench
