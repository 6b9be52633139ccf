// SessionScriptFuzzer.cc: bytes through pdehost's session-script parser. A refused script is
// named in its message with a line inside the text; an accepted one holds its lines in order,
// each within the text, with at least one action each; nothing leaks.
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderChecks.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pde::fuzz;
  constexpr std::string_view kName = "fuzz.session";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const long liveBefore = pde::LiveObjectCount();
  {
    pdehost::Script script;
    std::string error;
    const bool parsed = pdehost::ParseScript(text, kName, &script, &error);
    CheckMessage(parsed, error, kName);
    if (parsed) {
      int previous = 0;
      for (const pdehost::ScriptLine& line : script.lines) {
        Check(line.line > previous && line.line <= LineCount(text), "lines in order, in the text");
        Check(!line.actions.empty(), "a script line holds an action");
        for (const pdehost::Action& action : line.actions) {
          Check(action.line == line.line, "an action knows its line");
        }
        previous = line.line;
      }
    } else {
      const long line = MessageLine(error, kName);
      Check(line >= 1 && line <= LineCount(text), "the message names a line of the text");
    }
  }
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
