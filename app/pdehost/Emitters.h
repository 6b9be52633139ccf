// Emitters.h: the job's PPD options written out by `print`, as KEY=VALUE lines or as JSON.
#pragma once

#include <map>
#include <string>

namespace pdehost {

// PPD keywords and values (UTF-8), sorted by keyword bytewise.
using OptionMap = std::map<std::string, std::string>;

// One "KEY=VALUE\n" per option, in key order. A backslash in a value is written "\\" and a
// control character (below 0x20, and 0x7F) "\xNN", so that the lines read back unchanged
// (ParseSettings).
std::string FormatOptionLines(const OptionMap& options);

// One JSON object, one member per line in key order, then a line break; "{}\n" when empty.
std::string FormatOptionJson(const OptionMap& options);

}  // namespace pdehost
