// PrinterPane.h: the pane for one CUPS queue: its PPD fetched from the server, a dialog session
// with the plug-in, and the GTK widgets that show the pane.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DialogSession.h"
#include "PaneView.h"
#include "pde/cups/CupsQueue.h"

namespace pde::gtk {

class PrinterPane {
 public:
  // Brings this user's copy of queue's PPD up to date with the CUPS server
  // (pde::cups::UpdateQueuePPDCopy) and returns its path; the copy is shared and never removed.
  // Empty with *why set to one line when the queue has no PPD, the server does not answer by the
  // deadline, or cancel (when not null) is requested meanwhile. Safe to call from any thread.
  static std::string FetchPpd(const std::string& queue, std::string* why,
                              pde::cups::Cancellation* cancel = nullptr);

  // Reads ppdPath (the copy FetchPpd brought up to date for queue), loads the dialog extension the PPD names (else the bundle the build makes), starts a dialog
  // session whose print-settings ticket holds preset, calls Prologue and Initialize, and builds
  // the widgets. Returns null with *why set to one line when the PPD cannot be read, the bundle
  // cannot be loaded, or the pane declines the printer or fails (with the printer's model name
  // and the status).
  static std::unique_ptr<PrinterPane> Open(const std::string& queue, const std::string& ppdPath,
                                           const pdehost::SettingList& preset, std::string* why);

  // Destroys the widgets, calls Terminate and releases the plug-in.
  ~PrinterPane() = default;
  PrinterPane(const PrinterPane&) = delete;
  PrinterPane& operator=(const PrinterPane&) = delete;

  const std::string& queue() const { return queue_; }
  // The pane's title from Prologue (UTF-8).
  const std::string& title() const { return session_.title(); }
  // The languages the pane's bundle looks its texts up in, best first ("de", "en", ...).
  const std::vector<std::string>& localizations() const { return localizations_; }
  // The widgets (borrowed; owned by this pane).
  PaneView& view() const { return *view_; }
  // The dialog session (borrowed; owned by this pane).
  pdehost::DialogSession& session() { return session_; }

  // Calls Sync with reinitializePlugin false and reads the print-settings ticket's PPD
  // dictionary into *options. Returns false with *error set when either fails.
  bool CollectOptions(pdehost::OptionMap* options, std::string* error);

 private:
  PrinterPane() = default;

  // Destroyed in reverse order: the widgets, then the session (Terminate).
  std::string queue_;
  std::vector<std::string> localizations_;
  pdehost::DialogSession session_;
  std::unique_ptr<PaneView> view_;
};

}  // namespace pde::gtk
