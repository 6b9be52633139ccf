// BenchMain.cc: runs the benchmarks, then sets the pane's open time against the PPD-parse floor
// measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// The console report, keeping each benchmark's mean real time per iteration (nanoseconds).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
        nanoseconds_[run.benchmark_name()] =
            run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatio(const std::string& name, const std::string& floor) const {
    auto pane = nanoseconds_.find(name);
    auto base = nanoseconds_.find(floor);
    if (pane == nanoseconds_.end() || base == nanoseconds_.end() || base->second <= 0) return;
    std::printf("%s / %s: %.2f (target: 2.00 at most)\n", name.c_str(), floor.c_str(),
                pane->second / base->second);
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("PaneOpen", "PPDParseFloor");
  benchmark::Shutdown();
  return 0;
}
