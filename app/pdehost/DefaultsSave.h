// DefaultsSave.h: the pane's settings saved as a CUPS queue's defaults, which every application
// that prints to the queue starts from, also one whose dialog cannot show the pane.
#pragma once

#include <string>
#include <vector>

#include "Emitters.h"
#include "pde/cups/CupsOptions.h"

namespace pdehost {

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
bool SavePaneDefaults(const std::string& queue, const std::vector<pde::cups::PpdOption>& ppdOptions,
                      const OptionMap& start, const OptionMap& chosen,
                      std::vector<std::string>* messages, std::string* error);

}  // namespace pdehost
