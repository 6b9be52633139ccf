// BenchMain.cc: runs the benchmarks, then sets the pane's open times against libcups's parse of
// the same PPD and against each other, all measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// The console report, keeping each benchmark's real time per iteration (nanoseconds): the median
// of its repetitions when it is repeated, else its one run's mean.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        nanoseconds_[name] = run.real_accumulated_time * 1e9;  // an aggregate is per iteration
      } else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1 && run.iterations > 0) {
        nanoseconds_[name] = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatio(const std::string& name, const std::string& floor, double target) const {
    auto pane = nanoseconds_.find(name);
    auto base = nanoseconds_.find(floor);
    if (pane == nanoseconds_.end() || base == nanoseconds_.end() || base->second <= 0) return;
    const double ratio = pane->second / base->second;
    std::printf("%s / %s: %.2f (target: %.2f at most: %s)\n", name.c_str(), floor.c_str(), ratio,
                target, ratio <= target ? "met" : "missed");
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
  reporter.PrintRatio("PaneOpen", "PPDParseFloor", 0.6);
  reporter.PrintRatio("PaneOpenFirst", "PPDParseFloor", 1.5);
  reporter.PrintRatio("PaneOpenLargePPD", "PaneOpen", 2.0);
  benchmark::Shutdown();
  return 0;
}
