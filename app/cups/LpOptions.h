// LpOptions.h: the lpoptions files that hold a queue's saved defaults, found and read as libcups
// reads them, but opened without blocking and only when each is a regular file of a sane size.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pde/cups/CupsOptions.h"

namespace pde::cups::internal {

// The lpoptions files where libcups finds them ($CUPS_SERVERROOT/lpoptions, else
// /etc/cups/lpoptions; then $HOME/.cups/lpoptions), each opened without blocking and checked.
// The lpoptions files where libcups looks, system file first: $CUPS_SERVERROOT/lpoptions (else
// /etc/cups/lpoptions), then $HOME/.cups/lpoptions ($HOME, else the user's home directory) when a
// home is known.
std::vector<std::string> LpOptionsPaths();

// Reads the file open as fd, named path in messages, into *contents when it is a regular file of
// at most the 64 KiB of a saved preset. Returns false with *why "PATH: not a regular file",
// "PATH: larger than 65536 bytes" or "PATH: " and why reading failed otherwise.
bool ReadLpOptionsFile(int fd, const std::string& path, std::string* contents, std::string* why);

// A "Dest" or "Default" line of an lpoptions file, split as libcups splits it.
struct LpOptionsLine {
  std::string keyword;  // "Dest" or "Default", as written
  std::string name;     // the queue, as written
  std::string options;  // the rest, for libcups's option parser; a comment dropped
};
// The parts of line when it is a "Dest" or "Default" line for queue (its name in any letter
// case, no instance); nothing for any other line.
std::optional<LpOptionsLine> ParseQueueLine(std::string line, const std::string& queue);

struct LpOptionsFiles {
  // The contents of each file that exists and may be read, system file first.
  std::vector<std::string> contents;
  // One "PATH: why; its options are skipped" per file refused: not a regular file (a FIFO would
  // hang libcups, /dev/zero would never end), or larger than the 64 KiB of a saved preset.
  std::vector<std::string> refused;
};
LpOptionsFiles CheckLpOptionsFiles();

// Adds the options the "Dest" and "Default" lines of an lpoptions file give queue (its name in
// any letter case, no instance) to *options, as libcups reads them: a later option wins.
void AddLpOptions(const std::string& contents, const std::string& queue, OptionList* options);

}  // namespace pde::cups::internal
