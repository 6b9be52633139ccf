// PrintIntegration.h: the pane in every GtkPrintUnixDialog of the process, as the GTK module and
// pdeprint install it.
//
// Install adds GLib emission hooks, which outlive no object: a dialog being shown gets a PaneTab;
// a dialog's response reaches its tab before the application's own handlers; and a GtkPrintJob
// about to send its data to the printer gets, in its own copy of the print settings (the only
// place the DIN digits go), the pane's options kept for the answer marker its settings carry. The
// marker itself never reaches the printer. A job whose settings carry no marker, or one no longer
// kept, prints with its settings as they are.
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

// The keyword under which a dialog's settings carry its answer marker ("cups-" and this in GTK's
// print settings). The marker is a random text, not a secret.
inline constexpr char kAnswerMarkerKeyword[] = "pdekit-answer";

// Keeps options for the jobs to queue whose settings carry marker. The options of the most recent
// answers are kept, a few dozen, the oldest forgotten (their text wiped) first.
void KeepJobOptions(const std::string& marker, const std::string& queue,
                    const pdehost::OptionMap& options);

// Sends the diagnostic console (the pane's model-name line) to GLib's debug log.
void RouteConsoleToDebugLog();

}  // namespace pde::gtk
