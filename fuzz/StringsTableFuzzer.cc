// StringsTableFuzzer.cc: bytes through the strings-table reader. An accepted table maps strings
// to strings; a refused one is named in its message with a line inside the text; nothing leaks.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pde::fuzz;
  constexpr std::string_view kName = "fuzz.strings";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long liveBefore = pde::LiveObjectCount();
  {
    std::string error;
    pde::CFPtr<CFDictionaryRef> table = pde::ParseStringsTable(text, kName, &error);
    CheckMessage(static_cast<bool>(table), error, kName);
    if (table) {
      const CFIndex count = CFDictionaryGetCount(table.get());
      std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
      CFDictionaryGetKeysAndValues(table.get(), keys.data(), values.data());
      for (CFIndex i = 0; i < count; ++i) {
        Check(keys[i] && CFGetTypeID(keys[i]) == CFStringGetTypeID(), "keys are strings");
        Check(values[i] && CFGetTypeID(values[i]) == CFStringGetTypeID(), "values are strings");
      }
    } else {
      // UTF-16 text counts its lines in characters, not bytes: bound the line by the bytes.
      Check(MessageLine(error, kName) <= LineCount(text), "the line lies within the text");
    }
  }
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
