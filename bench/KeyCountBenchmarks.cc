// KeyCountBenchmarks.cc: what many keys cost: a dictionary filled and read back, a strings table
// parsed, and a settings file parsed into a print-settings dictionary, at 1,000 and 100,000 keys.
// With hashed keys the larger costs about 100 times the smaller (a linear search made it 10,000).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Settings.h"
#include "pde/CFHost.h"

namespace pde::bench {
namespace {

std::string KeyName(long i) {
  return "Key" + std::to_string(i * 7919);
}

CFPtr<CFMutableDictionaryRef> NewDictionary() {
  return CFPtr<CFMutableDictionaryRef>(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

void DictionaryKeys(benchmark::State& state) {
  std::vector<CFPtr<CFStringRef>> keys;
  for (long i = 0; i < state.range(0); ++i) keys.push_back(MakeString(KeyName(i)));
  for (auto _ : state) {
    CFPtr<CFMutableDictionaryRef> dictionary = NewDictionary();
    for (const auto& key : keys) CFDictionarySetValue(dictionary.get(), key.get(), key.get());
    for (const auto& key : keys) {
      benchmark::DoNotOptimize(CFDictionaryGetValue(dictionary.get(), key.get()));
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(DictionaryKeys)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void StringsTableKeys(benchmark::State& state) {
  std::string text;
  for (long i = 0; i < state.range(0); ++i) text += "\"" + KeyName(i) + "\" = \"value\";\n";
  for (auto _ : state) {
    std::string error;
    CFPtr<CFDictionaryRef> table = ParseStringsTable(text, "bench.strings", &error);
    if (!table) state.SkipWithError(error.c_str());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(StringsTableKeys)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// pdehost --settings: the file's lines parsed, then stored in the ticket's PPD dictionary.
void SettingsKeys(benchmark::State& state) {
  std::string text;
  for (long i = 0; i < state.range(0); ++i) text += KeyName(i) + "=True\n";
  for (auto _ : state) {
    pdehost::SettingList settings;
    std::string error;
    if (!pdehost::ParseSettings(text, "bench.settings", &settings, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    CFPtr<CFMutableDictionaryRef> dictionary = NewDictionary();
    for (const auto& [keyword, value] : settings) {
      CFDictionarySetValue(dictionary.get(), MakeString(keyword).get(), MakeString(value).get());
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(SettingsKeys)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace pde::bench
