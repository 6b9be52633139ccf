// SavedDefaults.h: a CUPS queue's saved defaults as a dialog for it starts from them, and the
// pane's settings saved as those defaults, which every application that prints to the queue
// starts from, also one whose dialog cannot show the pane.
#pragma once

#include <string>
#include <vector>

#include "Emitters.h"
#include "Settings.h"
#include "pde/PPDHost.h"

namespace pdehost {

// Spells each keyword of *settings that names one of ppdOptions regardless of letter case as the
// PPD does, and so each value that names one of its choices: CUPS takes either for that option
// and that choice (the server hands "true" for a default set as True), so the ticket, the pane
// and what is printed must hold the same option the printer will get.
void SpellAsThePpd(const std::vector<pde::PPDOption>& ppdOptions, SettingList* settings);

// The options a dialog for the CUPS queue `queue` starts from, lowest first: the PPD's defaults
// (ppdOptions), then the queue's saved defaults as `lp` applies them (the server's printer
// defaults, /etc/cups/lpoptions, ~/.cups/lpoptions), those the PPD has an option for, spelled as
// the PPD does. DIN digits never come from either. *notes receives one line per lpoptions file
// skipped and one naming the DIN digits the saved defaults hold. Returns false with *error set
// when the queue's defaults cannot be read.
bool GatherQueueDefaults(const std::string& queue, const std::vector<pde::PPDOption>& ppdOptions,
                         SettingList* settings, std::vector<std::string>* notes,
                         std::string* error);

// Saves the pane's settings in `chosen` (the print-settings ticket after Sync) as the defaults of
// the CUPS queue `queue`, in the lpoptions file of pde::cups::SaveQueueDefaults (the user's; for
// root the system-wide one): each of the pane's keywords that is not secret and whose value
// differs from `start`, the queue's defaults the dialog started from (GatherQueueDefaults), so
// that only what was changed is written. DIN digits are never saved (IsSecretKeyword), nor is
// the print mode Private: from a dialog without the pane, every job would go out in Private mode
// with the well-known default code. Then the saved print mode stays as it was, and *messages
// says so. *messages also receives one line saying what was saved in which file, or that
// nothing changed. Returns false with *error set, the file as it was, when a value to save is
// not one of the printer's choices (ppdOptions) or SaveQueueDefaults fails (the queue no longer
// exists, the file is refused or cannot be replaced).
bool SavePaneDefaults(const std::string& queue, const std::vector<pde::PPDOption>& ppdOptions,
                      const OptionMap& start, const OptionMap& chosen,
                      std::vector<std::string>* messages, std::string* error);

}  // namespace pdehost
