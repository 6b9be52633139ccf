// ParseOptions.cc: `lp -o` option lists through libcups's option parser.
#include <cups/cups.h>

#include <string_view>

#include "pde/cups/CupsOptions.h"

namespace pde::cups {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsKeywordCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == '+';
}

// True when text at `at` starts "KEY=".
bool StartsAssignment(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && IsKeywordCharacter(text[end])) ++end;
  return end > at && end < text.size() && text[end] == '=';
}

// True when text at `at` starts a "-o" word of lp's: "-o" alone or glued to an option.
bool StartsDashO(std::string_view text, size_t at) {
  return text.substr(at, 2) == "-o" &&
         (at + 2 == text.size() || IsBlank(text[at + 2]) || StartsAssignment(text, at + 2) ||
          IsKeywordCharacter(text[at + 2]));
}

// Drops lp's "-o" words and turns the commas that separate entries into blanks, leaving quoted
// text, escapes and collections as they are for libcups.
std::string Normalize(std::string_view text) {
  std::string out;
  char quote = 0;
  int braces = 0;
  bool wordStart = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      out += c;
      out += text[++i];
      wordStart = false;
      continue;
    }
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '{') {
      ++braces;
    } else if (c == '}' && braces > 0) {
      --braces;
    } else if (braces == 0 && IsBlank(c)) {
      out += ' ';
      wordStart = true;
      continue;
    } else if (braces == 0 && c == ',' && StartsAssignment(text, i + 1)) {
      out += ' ';
      wordStart = true;
      continue;
    } else if (wordStart && StartsDashO(text, i)) {
      ++i;  // the 'o'; what follows is the option
      continue;
    }
    out += c;
    wordStart = false;
  }
  return out;
}

}  // namespace

OptionList ParseOptions(const std::string& text) {
  cups_option_t* options = nullptr;
  const int count = cupsParseOptions(Normalize(text).c_str(), 0, &options);
  OptionList parsed;
  for (int i = 0; i < count; ++i) parsed.emplace_back(options[i].name, options[i].value);
  cupsFreeOptions(count, options);
  return parsed;
}

}  // namespace pde::cups
