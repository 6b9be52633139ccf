// ScriptLexer.h: splits one line of a session script into words, quoted texts and separators.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pdehost {

// Longest line and longest quoted text (after escapes) a script may hold, in bytes.
inline constexpr size_t kMaxScriptLineBytes = 4096;
inline constexpr size_t kMaxScriptTextBytes = 1024;

enum class TokenKind {
  kWord,       // a run of characters other than blanks (space, tab), '"', ';' and '#'
  kText,       // a double-quoted text, escapes resolved: \" \\ \xNN
  kSeparator,  // ';' outside quotes: joins two actions on one line
};

struct Token {
  TokenKind kind = TokenKind::kWord;
  std::string text;  // UTF-8 (checked)
};

// Splits line (without its line break) into tokens; '#' outside quotes ends the line as a
// comment. Returns false with *error set to a one-line reason (no file or line) when the line is
// too long, is not UTF-8, holds an unterminated text, an unknown escape, or a text that is too
// long or not UTF-8 once its escapes are resolved.
bool TokenizeScriptLine(std::string_view line, std::vector<Token>* tokens, std::string* error);

}  // namespace pdehost
