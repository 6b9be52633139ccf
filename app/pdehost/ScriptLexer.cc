// ScriptLexer.cc: the tokenizer of session-script lines.
#include "ScriptLexer.h"

#include "Utf8.h"

namespace pdehost {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsControlCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

std::string HexByte(char c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the quoted text that starts at line[*index] == '"'; on success *index is past the
// closing quote.
bool ReadQuotedText(std::string_view line, size_t* index, std::string* text, std::string* error) {
  size_t i = *index + 1;
  while (i < line.size() && line[i] != '"') {
    if (line[i] != '\\') {
      *text += line[i++];
    } else if (i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
      *text += line[i + 1];
      i += 2;
    } else if (i + 1 < line.size() && line[i + 1] == 'x') {
      const int high = i + 2 < line.size() ? HexValue(line[i + 2]) : -1;
      const int low = i + 3 < line.size() ? HexValue(line[i + 3]) : -1;
      if (high < 0 || low < 0) {
        *error = "\\x needs two hexadecimal digits";
        return false;
      }
      *text += static_cast<char>(high * 16 + low);
      i += 4;
    } else {
      *error = i + 1 < line.size()
                   ? "unknown escape \\" + std::string(1, line[i + 1]) + " (use \\\" \\\\ or \\xNN)"
                   : "unknown escape \\ at the end of the line";
      return false;
    }
    if (text->size() > kMaxScriptTextBytes) {
      *error = "text longer than " + std::to_string(kMaxScriptTextBytes) + " bytes";
      return false;
    }
  }
  if (i >= line.size()) {
    *error = "text without its closing quote";
    return false;
  }
  if (!IsValidUtf8(*text)) {
    *error = "text is not valid UTF-8";
    return false;
  }
  *index = i + 1;
  return true;
}

}  // namespace

bool TokenizeScriptLine(std::string_view line, std::vector<Token>* tokens, std::string* error) {
  tokens->clear();
  if (line.size() > kMaxScriptLineBytes) {
    *error = "line longer than " + std::to_string(kMaxScriptLineBytes) + " bytes";
    return false;
  }
  if (!IsValidUtf8(line)) {
    *error = "line is not valid UTF-8";
    return false;
  }
  for (const char c : line) {
    if (IsControlCharacter(c)) {
      *error = "control character " + HexByte(c) + " in the line (write it as \\xNN in a text)";
      return false;
    }
  }
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == ';') {
      tokens->push_back({TokenKind::kSeparator, ";"});
      ++i;
    } else if (c == '"') {
      Token token{TokenKind::kText, {}};
      if (!ReadQuotedText(line, &i, &token.text, error)) return false;
      tokens->push_back(std::move(token));
    } else {
      Token token{TokenKind::kWord, {}};
      while (i < line.size() && !IsBlank(line[i]) && line[i] != '"' && line[i] != ';' &&
             line[i] != '#') {
        token.text += line[i++];
      }
      tokens->push_back(std::move(token));
    }
  }
  return true;
}

}  // namespace pdehost
