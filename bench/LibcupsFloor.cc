// LibcupsFloor.cc: the floor the pane's open is set against: libcups alone reading a PPD file,
// looking up its model name and closing it.
#include <benchmark/benchmark.h>
#include <cups/ppd.h>

#include <memory>

#include "BenchPane.h"

namespace pde::bench {
namespace {

struct PPDFileCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

void PPDParseFloor(benchmark::State& state) {
  const std::string path = SamplePPD();
  for (auto _ : state) {
    std::unique_ptr<ppd_file_t, PPDFileCloser> ppd(ppdOpenFile(path.c_str()));
    ppd_attr_t* model = ppd ? ppdFindAttr(ppd.get(), "ModelName", nullptr) : nullptr;
    if (!model) {
      state.SkipWithError("libcups did not read the sample PPD's model name");
      break;
    }
    benchmark::DoNotOptimize(model->value);
  }
}
BENCHMARK(PPDParseFloor);

}  // namespace
}  // namespace pde::bench
