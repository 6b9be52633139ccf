// ReaderChecks.h: what every reader fuzzer checks of a reader's answer.
#pragma once

#include <string>
#include <string_view>

#include "PaneHarness.h"

namespace pde::fuzz {

// A refused input names the input first ("<name>:" then the place or the reason) and says why;
// an accepted one leaves no message.
inline void CheckMessage(bool accepted, const std::string& error, std::string_view name) {
  if (accepted) return Check(error.empty(), "no message for an accepted input");
  Check(error.rfind(std::string(name) + ":", 0) == 0, "a message begins with the input's name");
  Check(error.size() > name.size() + 2, "a message says why");
}

// The line a message "<name>:<line>: why" names; 0 when it names none.
inline long MessageLine(const std::string& error, std::string_view name) {
  const size_t digits = name.size() + 1;
  size_t end = digits;
  while (end < error.size() && error[end] >= '0' && error[end] <= '9') ++end;
  if (end == digits || end >= error.size() || error[end] != ':') return 0;
  return std::stol(error.substr(digits, end - digits));
}

// Number of lines of text, a last line without its newline included.
inline long LineCount(std::string_view text) {
  long lines = 1;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace pde::fuzz
