// GuiSession.h: pdehost --gui: the dialog session in a window instead of a script.
#pragma once

#include <string>

#include "CommandLine.h"
#include "DialogSession.h"

namespace pdehost {

// Shows the started session's pane in a window with its summary and Print and Cancel buttons,
// and runs until one is pressed or the window is closed. Print calls Sync with
// reinitializePlugin false and appends the print-settings ticket's PPD dictionary to *out, as
// the script action `print` does (options.emit). Returns the exit status: 0 printed, 1 cancelled
// or closed, 2 when no display can be opened or pdehost was built without GTK (a message on
// standard error says which).
int RunGuiSession(DialogSession* session, const HostOptions& options, std::string* out);

}  // namespace pdehost
