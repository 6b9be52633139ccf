// CupsOptions.h: printing options as CUPS's own commands read them: `lp -o` lists, a queue's
// saved defaults, and the options and choices of a PPD.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pde::cups {

// Option names and values, in the order libcups keeps them (one entry per name).
using OptionList = std::vector<std::pair<std::string, std::string>>;

// Parses what `lp` accepts after its -o flags, as one text: "-o" words (alone or glued to the
// option, "-oK=V") are dropped, then libcups's option parser reads the rest: K=V entries
// separated by blanks, values quoted with '...' or "...", a backslash taking the next character,
// {...} collections, "name" as name=true and "noname" as name=false. A comma outside quotes and
// braces that is followed by "KEY=" also separates two entries (PrintMode=Hold,PageSize=A4); any
// other comma stays in its value (media=A4,tray1). A later entry for a name wins.
OptionList ParseOptions(const std::string& text);

// The saved defaults of the CUPS queue `queue` that `lp` applies, as libcups's destination API
// (cupsGetNamedDest) gives them: the server's printer defaults, then the options of
// /etc/cups/lpoptions and ~/.cups/lpoptions for the queue (later ones win). An lpoptions file
// that is not a regular file or is larger than 64 KiB is never handed to libcups: it is skipped,
// with one line for *notes (when not null) naming it and why, and the others still count.
// Returns false with *error set when the queue name is not valid, the queue does not exist or the
// server does not answer by the deadline (see CupsQueue.h).
bool GetQueueDefaults(const std::string& queue, OptionList* options, std::string* error,
                      std::vector<std::string>* notes = nullptr);

// Whether the server has the printer or class `queue`. Returns false with *error set when the
// queue name is not valid, the server does not answer, or it has no such queue (the message then
// lists the queues it has).
bool CheckQueueExists(const std::string& queue, std::string* error);

}  // namespace pde::cups
