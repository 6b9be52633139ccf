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

// The lpoptions file SaveQueueDefaults writes: for root the system-wide one,
// $CUPS_SERVERROOT/lpoptions (else /etc/cups/lpoptions), as the lpoptions command documents; for
// anyone else ~/.cups/lpoptions ($HOME, else the user's home directory). Empty when no home
// directory is known.
std::string SavedDefaultsPath();

// Sets options on the line of the CUPS queue `queue` in the lpoptions file SavedDefaultsPath
// names, as `lpoptions -p QUEUE -o K=V` does, so that every libcups client (lp, GTK's and Qt's
// dialogs) starts the queue's jobs from them: the first "Dest" or "Default" line naming the queue
// (any letter case, no instance), else a new "Dest" line at the end. That line is written as
// cupsSetDests2 writes one (its options sorted, a later value for a name winning); every other
// line, queue and option stays as it was. The file is replaced at once (a new file renamed over
// it, with the old one's mode) and not written at all when nothing changes. Returns false with
// *error set, leaving the file as it was, when a name is not a plain option keyword or a value
// holds a control character or '#'; when the queue does not exist or the server does not answer
// (see CheckQueueExists); when no home directory is known; or when the file cannot be opened, is
// not a regular file, is larger than 64 KiB, is held locked by another writer (flock), is
// replaced while it is read, cannot be written, or the new file cannot be made.
bool SaveQueueDefaults(const std::string& queue, const OptionList& options, std::string* error);

// Whether the server has the printer or class `queue`. Returns false with *error set when the
// queue name is not valid, the server does not answer, or it has no such queue (the message then
// lists the queues it has).
bool CheckQueueExists(const std::string& queue, std::string* error);

}  // namespace pde::cups
