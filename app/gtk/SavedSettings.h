// SavedSettings.h: the last used settings of each printer, kept for the next print dialog.
//
// One file per printer, $XDG_CONFIG_HOME/pdekit/<printer>.settings (~/.config when the variable
// is unset, empty or relative), of KEY=VALUE lines as pdehost reads and writes them, readable by
// its owner only. The secure-print code (DINDigit1 to DINDigit5) is never written to disk.
#pragma once

#include <string>

#include "Emitters.h"
#include "Settings.h"

namespace pde::gtk {

// The settings file of printer; empty when printer cannot name a file (empty, "." or "..", a
// '/', a control character, or longer than 127 bytes) or no configuration directory is known.
std::string SettingsPathFor(const std::string& printer);

// Reads the saved settings of printer into *settings, secret keywords left out. A printer
// without a file gives no settings and true. Returns false with *error set ("<path>:<line>: why"
// or "<path>: why") when the file is unreadable or malformed, or the printer cannot name a file;
// and, as SaveSettings refuses them, when the directory is a symbolic link, another user's or
// writable by anyone but its owner, or the file is another user's or writable by anyone but its
// owner. *settings is then empty.
bool LoadSavedSettings(const std::string& printer, pdehost::SettingList* settings,
                       std::string* error);

// Writes options, secret keywords left out, as printer's settings file with mode 0600 (its
// directory made with mode 0700 when missing), replacing the previous file at once and syncing
// the directory after the rename. Temporary files that killed saves left there are removed first.
// Returns false with *error set ("<path>: why") when the printer cannot name a file, when the
// directory is a symbolic link, another user's, or writable by anyone but its owner, or when the
// file cannot be written.
bool SaveSettings(const std::string& printer, const pdehost::OptionMap& options,
                  std::string* error);

}  // namespace pde::gtk
