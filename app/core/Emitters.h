// Emitters.h: what `print` and `submit` write: the job's PPD options as KEY=VALUE lines, as JSON
// Lines or as `lp -o` arguments, and the submitted job.
#pragma once

#include <map>
#include <string>

namespace pdehost {

// How `print` writes the job's options: KEY=VALUE lines, JSON Lines, or `lp -o` arguments.
enum class EmitFormat { kLines, kJson, kLp };

// PPD keywords and values (UTF-8), sorted by keyword bytewise.
using OptionMap = std::map<std::string, std::string>;

// One "KEY=VALUE\n" per option, in key order. A backslash in a value is written "\\" and a
// control character (below 0x20, and 0x7F) "\xNN", so that the lines read back unchanged
// (ParseSettings).
std::string FormatOptionLines(const OptionMap& options);

// One JSON Lines record: {"options":{"KEY":"VALUE",...}} in key order, on one line.
std::string FormatOptionJson(const OptionMap& options);

// One line of `lp` arguments for the shell, "-o KEY=VALUE" per option in key order, separated by
// blanks. A value with anything but letters, digits and "_-.+/:@%=" is put in double quotes for
// libcups's option parser (a backslash before '"' and '\\'), and then a word with anything else
// in single quotes for the shell (a quote written '\'').
std::string FormatOptionLp(const OptionMap& options);

// The options in the chosen format.
std::string FormatOptions(EmitFormat format, const OptionMap& options);

// The line of a submitted job: {"job":ID,"queue":"QUEUE"} in JSON, else
// "submitted job <ID> to <queue>".
std::string FormatSubmittedJob(EmitFormat format, int job, const std::string& queue);

}  // namespace pdehost
