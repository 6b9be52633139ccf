// StartingSettings.h: what the print-settings ticket starts with, in CUPS's order of defaults.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "CommandLine.h"
#include "Settings.h"
#include "pde/PPDHost.h"

namespace pdehost {

// Gathers the ticket's starting options, lowest first (a later entry for a key wins):
// 1. for a --printer queue, the PPD's defaults (ppdOptions), then the queue's saved defaults as
//    `lp` applies them (the server's printer defaults, /etc/cups/lpoptions, ~/.cups/lpoptions),
//    those the PPD has an option for;
// 2. --settings; 3. --options.
// A keyword that names a PPD option in other letter case is that option, spelled as the PPD
// does (CUPS matches option names regardless of case), and so is a value that names one of its
// choices; the queue's saved defaults are matched against the PPD's options the same way.
// *origins receives "FILE:LINE: " for each keyword whose final value comes from --settings.
// DIN digits never come from the PPD's or the queue's saved defaults: a note on standard error
// names those the queue's defaults hold. *queueDefaults (when not null) receives step 1 alone.
// Returns false with *error set when the queue's defaults cannot be read or a file or list is bad.
bool GatherStartingSettings(const HostOptions& options,
                            const std::vector<pde::PPDOption>& ppdOptions,
                            SettingList* settings,
                            std::unordered_map<std::string, std::string>* origins,
                            std::string* error, SettingList* queueDefaults = nullptr);

}  // namespace pdehost
