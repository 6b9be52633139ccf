// GuiSession.h: pdehost --gui: the dialog session in a window instead of a script, run by the GUI
// part, a shared object loaded only for it, so that pdehost without --gui never loads GTK.
#pragma once

#include <string>

#include "CommandLine.h"
#include "DialogSession.h"
#include "OptionCheck.h"

namespace pdehost {

// Loads the GUI part (pdehost-gui.so in the private library directory) and runs its entry point: shows the started session's pane
// in a window with its summary and Print (Save with --save-defaults) and Cancel buttons, and runs
// until one is pressed or the window is closed. Print calls Sync with reinitializePlugin false, checks the print-settings
// ticket's PPD dictionary with *check and appends it to *out, as the script action `print` does
// (options.emit); a refusal of the check ends the session with status 2. Returns the exit status:
// 0 printed, 1 cancelled or closed, 2 when the GUI part is missing or broken (the message names
// the path looked at) or no display can be opened.
int RunGuiSession(DialogSession* session, const HostOptions& options, OptionCheck* check,
                  std::string* out);

// The GUI part's entry point, named kGuiEntryPoint in it, with RunGuiSession's contract once the
// part is loaded.
using GuiEntryPoint = int (*)(DialogSession* session, const HostOptions* options,
                             OptionCheck* check, std::string* out);
inline constexpr char kGuiEntryPoint[] = "pdehost_gui_run_session";

}  // namespace pdehost
