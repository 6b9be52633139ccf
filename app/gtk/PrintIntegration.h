// PrintIntegration.h: the pane in every GtkPrintUnixDialog of the process, as the GTK module and
// pdeprint install it.
//
// Install adds GLib emission hooks, which outlive no object: a dialog being shown gets a PaneTab;
// a dialog's response reaches its tab before the application's own handlers; a GtkPrintJob about
// to send its data to the printer gets the pane's options of the dialog that printed it in its own
// copy of the print settings (the only place the DIN digits go); and a GtkPrintOperation that
// printed through a pane gets the DIN keywords taken out of the settings it hands back.
#pragma once

#include <functional>
#include <string>

#include "Emitters.h"
#include "Settings.h"

namespace pde::gtk {

struct PrintIntegration {
  // Says, in one line, why a dialog goes on without the pane (or something else went wrong).
  std::function<void(const std::string& line)> note;
  // Optional: the host's own settings for queue, laid over GTK's starting values.
  std::function<pdehost::SettingList(const std::string& queue)> presetFor;
  // Optional: called when Print is pressed with the pane shown, with all of the pane's options.
  std::function<void(const std::string& queue, const pdehost::OptionMap& options)> printed;
};

// Installs the hooks (once per process) and sets what they call. Returns false with *why set
// when GTK lacks what they need; the process then goes on without the pane.
bool InstallPrintIntegration(PrintIntegration integration, std::string* why);

// What InstallPrintIntegration set.
const PrintIntegration& Integration();

// Says line through the integration's note.
void Note(const std::string& line);

// Keeps options for the next job of queue whose data goes to the printer (replacing any kept
// before); they are forgotten once used, when ForgetJobOptions is called, or after a few minutes.
void KeepJobOptions(const std::string& queue, const pdehost::OptionMap& options);
// Forgets the options kept for queue, wiping their text.
void ForgetJobOptions(const std::string& queue);

// Sends the diagnostic console (the pane's model-name line) to GLib's debug log.
void RouteConsoleToDebugLog();

}  // namespace pde::gtk
