// GuiSession.h: pdehost --gui: the dialog session in a window instead of a script.
#pragma once

#include <string>

#include "CommandLine.h"
#include "DialogSession.h"
#include "OptionCheck.h"

namespace pdehost {

// Shows the started session's pane in a window with its summary and Print and Cancel buttons,
// and runs until one is pressed or the window is closed. Print calls Sync with
// reinitializePlugin false, checks the print-settings ticket's PPD dictionary with *check and
// appends it to *out, as the script action `print` does (options.emit); a refusal of the check
// ends the session with status 2. Returns the exit status: 0 printed, 1 cancelled
// or closed, 2 when no display can be opened or pdehost was built without GTK (a message on
// standard error says which).
int RunGuiSession(DialogSession* session, const HostOptions& options, OptionCheck* check,
                  std::string* out);

}  // namespace pdehost
