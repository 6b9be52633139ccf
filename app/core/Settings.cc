// Settings.cc: readers of settings files and lp-style option lists.
#include "Settings.h"

#include <strings.h>

#include <algorithm>

#include "Files.h"
#include "Utf8.h"
#include "pde/cups/CupsOptions.h"

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

// Checks parsed options and adds them to *settings; *error says what is wrong.
bool AddChecked(const pde::cups::OptionList& options, SettingList* settings, std::string* error) {
  for (const auto& [keyword, value] : options) {
    if (!CheckSetting(keyword, value, error)) return false;
    settings->emplace_back(keyword, value);
  }
  return true;
}

// The options of an lpoptions line ("Dest" or "Default", a blank, the destination, then the
// options), or false when the line is not one. *applies says whether it is for `queue`.
bool LpoptionsLine(std::string_view line, const std::string& queue, bool* applies,
                   std::string* options) {
  const size_t blank = line.find_first_of(" \t");
  if (blank == std::string_view::npos) return false;
  const std::string kind(line.substr(0, blank));
  const bool isDefault = strcasecmp(kind.c_str(), "Default") == 0;
  if (!isDefault && strcasecmp(kind.c_str(), "Dest") != 0) return false;
  const size_t nameStart = line.find_first_not_of(" \t", blank);
  if (nameStart == std::string_view::npos) return false;
  const size_t nameEnd = std::min(line.find_first_of(" \t", nameStart), line.size());
  const std::string_view destination = line.substr(nameStart, nameEnd - nameStart);
  *applies = queue.empty() ? isDefault : destination == queue;
  *options = std::string(line.substr(nameEnd));
  return true;
}

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
                   std::string* error, const std::string& queue, std::vector<int>* lineNumbers) {
  settings->clear();
  if (lineNumbers != nullptr) lineNumbers->clear();
  LineReader lines(bytes);
  std::string_view line;
  // Gives the entries added since the last call the current line.
  const auto numberNewEntries = [&] {
    if (lineNumbers != nullptr) lineNumbers->resize(settings->size(), lines.lineNumber());
  };
  while (lines.Next(&line)) {
    if (line.empty() || line[0] == '#') continue;

    std::string why;
    bool applies = false;
    std::string lpOptions;
    const size_t equals = line.find('=');
    std::string value;
    if (LpoptionsLine(line, queue, &applies, &lpOptions)) {
      if (!applies || AddChecked(pde::cups::ParseOptions(lpOptions), settings, &why)) {
        numberNewEntries();
        continue;
      }
    } else if (equals == std::string_view::npos) {
      why = "expected KEY=VALUE or an lpoptions line (Dest or Default)";
    } else if (Unescape(line.substr(equals + 1), &value, &why) &&
               CheckSetting(line.substr(0, equals), value, &why)) {
      settings->emplace_back(std::string(line.substr(0, equals)), std::move(value));
      numberNewEntries();
      continue;
    }
    *error = std::string(name) + ":" + std::to_string(lines.lineNumber()) + ": " + why;
    return false;
  }
  return true;
}

bool ReadSettingsFile(const std::string& path, SettingList* settings, std::string* error,
                      const std::string& queue, std::vector<int>* lineNumbers) {
  std::string bytes;
  if (!ReadWholeFile(path, pde::InputKind::kSettings, &bytes, error)) return false;
  return ParseSettings(bytes, path == "-" ? "<stdin>" : path, settings, error, queue, lineNumbers);
}

bool ParseOptionList(std::string_view text, SettingList* settings, std::string* error) {
  settings->clear();
  std::string why;
  if (AddChecked(pde::cups::ParseOptions(std::string(text)), settings, &why)) return true;
  *error = "--options: " + why;
  return false;
}

}  // namespace pdehost
