// SettingsLinesFuzzer.cc: bytes through pdehost's two readers of PPD option settings, as a
// settings file (KEY=VALUE lines, as --settings and a saved preset give them) and as an lp-style
// option list (--options). An accepted input holds only valid keywords with values within bounds,
// and the lines `print` writes for it read back to the same options; a refused settings file is
// named with a line inside the text, a refused option list names --options; nothing leaks.
#include <cstdint>
#include <string>
#include <string_view>

#include "Emitters.h"
#include "ReaderChecks.h"
#include "Settings.h"
#include "Utf8.h"

namespace {

using namespace pde::fuzz;

// The options as `print` keeps them: a later entry for a key wins.
pdehost::OptionMap AsOptions(const pdehost::SettingList& settings) {
  pdehost::OptionMap options;
  for (const auto& [keyword, value] : settings) {
    Check(pdehost::IsValidKeyword(keyword), "an accepted keyword is valid");
    Check(value.size() <= pdehost::kMaxValueBytes, "an accepted value is within bounds");
    Check(pdehost::IsValidUtf8(value), "an accepted value is UTF-8");
    options[keyword] = value;
  }
  return options;
}

// The lines `print` writes for options read back to the same options.
void CheckRoundTrip(const pdehost::OptionMap& options) {
  pdehost::SettingList reread;
  std::string error;
  Check(pdehost::ParseSettings(pdehost::FormatOptionLines(options), "printed", &reread, &error),
        "the printed lines read back");
  Check(AsOptions(reread) == options, "the printed lines read back unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::string_view kName = "fuzz.settings";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long liveBefore = pde::LiveObjectCount();
  {
    pdehost::SettingList settings;
    std::string error;
    const bool parsed = pdehost::ParseSettings(text, kName, &settings, &error);
    CheckMessage(parsed, error, kName);
    if (parsed) {
      CheckRoundTrip(AsOptions(settings));
    } else {
      const long line = MessageLine(error, kName);
      Check(line >= 1 && line <= LineCount(text), "the message names a line of the text");
    }

    pdehost::SettingList options;
    error.clear();
    const bool listed = pdehost::ParseOptionList(text, &options, &error);
    CheckMessage(listed, error, "--options");
    if (listed) CheckRoundTrip(AsOptions(options));
  }
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
