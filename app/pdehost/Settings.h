// Settings.h: PPD option settings given to the host: KEY=VALUE files and lp-style option lists.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pdehost {

// PPD keywords and their values, in the order given; a later entry for a key wins.
using SettingList = std::vector<std::pair<std::string, std::string>>;

// Longest keyword and value accepted, in bytes.
inline constexpr size_t kMaxKeywordBytes = 40;
inline constexpr size_t kMaxValueBytes = 1024;

// True when keyword can name a PPD option here: 1 to 40 of the characters A-Z a-z 0-9 _ - . +
bool IsValidKeyword(std::string_view keyword);

// Parses settings in the format the host's `print` writes: one KEY=VALUE per line, the value
// taken verbatim except for the escapes \\ and \xNN (which `print` writes for a backslash and
// for control characters); blank lines and lines starting with '#' are skipped; a CR before the
// line break is dropped. Returns false with *error "<name>:<line>: why" for a line without '=',
// a bad keyword, a bad escape, an over-long value, or a value that is not UTF-8.
bool ParseSettings(std::string_view bytes, std::string_view name, SettingList* settings,
                   std::string* error);

// Reads and parses the settings file at path; errors as ParseSettings, or "<path>: why".
bool ReadSettingsFile(const std::string& path, SettingList* settings, std::string* error);

// Parses an lp-style option list: KEY=VALUE entries separated by blanks or commas; a value may
// be quoted with '...' or "..." to hold blanks and commas, and a backslash takes the next
// character literally. Returns false with *error "--options: why" for an entry without '=', a
// bad keyword, an unterminated quote, an over-long value, or text that is not UTF-8.
bool ParseOptionList(std::string_view text, SettingList* settings, std::string* error);

}  // namespace pdehost
