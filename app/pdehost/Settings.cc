// Settings.cc: readers of settings files and lp-style option lists.
#include "Settings.h"

#include "Files.h"
#include "Utf8.h"

namespace pdehost {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Resolves the escapes \\ and \xNN of a settings value.
bool Unescape(std::string_view raw, std::string* value, std::string* error) {
  value->clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      *value += raw[i];
    } else if (i + 1 < raw.size() && raw[i + 1] == '\\') {
      *value += '\\';
      ++i;
    } else if (i + 3 < raw.size() && raw[i + 1] == 'x' && HexValue(raw[i + 2]) >= 0 &&
               HexValue(raw[i + 3]) >= 0) {
      *value += static_cast<char>(HexValue(raw[i + 2]) * 16 + HexValue(raw[i + 3]));
      i += 3;
    } else {
      *error = "a backslash in a value starts \\\\ or \\xNN";
      return false;
    }
  }
  return true;
}

// Checks a keyword and a value; *error says what is wrong.
bool CheckSetting(std::string_view keyword, std::string_view value, std::string* error) {
  if (!IsValidKeyword(keyword)) {
    *error = "bad keyword \"" + std::string(keyword) +
             "\" (1 to 40 letters, digits, '_', '-', '.' or '+')";
    return false;
  }
  if (value.size() > kMaxValueBytes) {
    *error = "the value of " + std::string(keyword) + " is longer than " +
             std::to_string(kMaxValueBytes) + " bytes";
    return false;
  }
  if (!IsValidUtf8(value)) {
    *error = "the value of " + std::string(keyword) + " is not valid UTF-8";
    return false;
  }
  return true;
}

bool IsOptionSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == ','; }

}  // namespace

bool IsValidKeyword(std::string_view keyword) {
  if (keyword.empty() || keyword.size() > kMaxKeywordBytes) return false;
  for (const char c : keyword) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == '+';
    if (!allowed) return false;
  }
  return true;
}

bool ParseSettings(std::string_view bytes, std::string_view name, SettingList* settings,
                   std::string* error) {
  settings->clear();
  LineReader lines(bytes);
  std::string_view line;
  while (lines.Next(&line)) {
    if (line.empty() || line[0] == '#') continue;

    std::string why;
    const size_t equals = line.find('=');
    std::string value;
    if (equals == std::string_view::npos) {
      why = "expected KEY=VALUE";
    } else if (Unescape(line.substr(equals + 1), &value, &why) &&
               CheckSetting(line.substr(0, equals), value, &why)) {
      settings->emplace_back(std::string(line.substr(0, equals)), std::move(value));
      continue;
    }
    *error = std::string(name) + ":" + std::to_string(lines.lineNumber()) + ": " + why;
    return false;
  }
  return true;
}

bool ReadSettingsFile(const std::string& path, SettingList* settings, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, pde::InputKind::kSettings, &bytes, error)) return false;
  return ParseSettings(bytes, path == "-" ? "<stdin>" : path, settings, error);
}

bool ParseOptionList(std::string_view text, SettingList* settings, std::string* error) {
  settings->clear();
  size_t i = 0;
  while (i < text.size()) {
    if (IsOptionSeparator(text[i])) {
      ++i;
      continue;
    }
    std::string keyword;
    std::string value;
    bool hasEquals = false;
    char quote = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (quote == 0 && IsOptionSeparator(c)) break;
      if (c == '\\' && i + 1 < text.size()) {
        (hasEquals ? value : keyword) += text[++i];
      } else if (quote == 0 && (c == '\'' || c == '"') && hasEquals) {
        quote = c;
      } else if (quote != 0 && c == quote) {
        quote = 0;
      } else if (c == '=' && !hasEquals) {
        hasEquals = true;
      } else {
        (hasEquals ? value : keyword) += c;
      }
    }
    std::string why;
    if (quote != 0) {
      why = "a quoted value of " + keyword + " has no closing quote";
    } else if (!hasEquals) {
      why = "expected KEY=VALUE, not \"" + keyword + "\"";
    } else if (CheckSetting(keyword, value, &why)) {
      settings->emplace_back(std::move(keyword), std::move(value));
      continue;
    }
    *error = "--options: " + why;
    return false;
  }
  return true;
}

}  // namespace pdehost
