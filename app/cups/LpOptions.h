// LpOptions.h: the lpoptions files that hold a queue's saved defaults, found and read as libcups
// reads them, but opened without blocking and only when each is a regular file of a sane size.
#pragma once

#include <string>
#include <vector>

#include "pde/cups/CupsOptions.h"

namespace pde::cups::internal {

// The lpoptions files where libcups finds them ($CUPS_SERVERROOT/lpoptions, else
// /etc/cups/lpoptions; then $HOME/.cups/lpoptions), each opened without blocking and checked.
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
