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

// Parses a settings file. Two kinds of lines may be mixed:
// - KEY=VALUE, the format the host's `print` writes: the value taken verbatim except for the
//   escapes \\ and \xNN (which `print` writes for a backslash and for control characters);
// - the lines of an lpoptions file, "Dest NAME[/INSTANCE] OPTIONS" and "Default NAME[/INSTANCE]
//   OPTIONS": the options (read as `lp -o` reads them) of the lines naming `queue` without an
//   instance, or when `queue` is empty, of the Default line; other lines of this kind are skipped.
// Blank lines and lines starting with '#' are skipped; a CR before the line break is dropped.
// Returns false with *error "<name>:<line>: why" for a line of neither kind, a bad keyword, a bad
// escape, an over-long value, or a value that is not UTF-8. With lineNumbers, it receives the
// line of each entry of *settings, in the same order.
bool ParseSettings(std::string_view bytes, std::string_view name, SettingList* settings,
                   std::string* error, const std::string& queue = "",
                   std::vector<int>* lineNumbers = nullptr);

// Reads and parses the settings file at path; errors as ParseSettings, or "<path>: why".
bool ReadSettingsFile(const std::string& path, SettingList* settings, std::string* error,
                      const std::string& queue = "", std::vector<int>* lineNumbers = nullptr);

// Parses what `lp` takes after -o, with libcups's option parser (pde::cups::ParseOptions): K=V
// entries separated by blanks (or by a comma before the next K=), "-o" words, quoted values, a
// bare name as name=true. Returns false with *error "--options: why" for a bad keyword, an
// over-long value, or text that is not UTF-8.
bool ParseOptionList(std::string_view text, SettingList* settings, std::string* error);

}  // namespace pdehost
