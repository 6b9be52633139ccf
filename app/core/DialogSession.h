// DialogSession.h: the print dialog the host plays: print session, tickets, host window, and the
// pane's calls in the printing system's order.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Emitters.h"
#include "PlugInLoader.h"
#include "Settings.h"

namespace pdehost {

struct SessionSetup {
  std::string ppdPath;     // names the printer in the printer-info ticket
  std::string bundlePath;  // the dialog extension to load
  SettingList settings;    // the print-settings ticket's PPD dictionary starts with these
};

// One row of the pane's summary.
using SummaryRows = std::vector<std::pair<std::string, std::string>>;

// A dialog session. Calls into the pane follow the printing system's order: Prologue, then
// Initialize (only after a successful Prologue), then Sync and GetSummaryText (only while the
// pane is shown, that is after a successful Initialize), and Terminate once, last, from the
// destructor, which then disposes of the window, releases the plug-in and disposes of the
// print session.
class DialogSession {
 public:
  DialogSession() = default;
  ~DialogSession();
  DialogSession(const DialogSession&) = delete;
  DialogSession& operator=(const DialogSession&) = delete;

  // Makes the print session and its two tickets (the printer-info ticket naming the PPD, the
  // print-settings ticket holding setup.settings), loads the bundle and checks its nib for the
  // pane's controls (CheckPaneNib). Returns false with *error set when the platform fails, the
  // bundle cannot be loaded or its nib is broken.
  bool Open(const SessionSetup& setup, std::string* error);

  // Calls Prologue, makes the host window and its user pane, calls Initialize. Returns false
  // with *error set only when the host's own window cannot be made; a pane that refuses is not
  // an error (see paneShown and lastStatus).
  bool Start(std::string* error);

  // True after Initialize succeeded: the pane's controls are in the host window.
  bool paneShown() const { return paneShown_; }
  // Why the pane is not shown, in one line ("the pane declined the printer "MODEL" (status
  // -9530)", or that Prologue or Initialize failed, with the status); empty while it is shown.
  std::string WhyNoPane(const std::string& modelName) const;
  bool prologueSucceeded() const { return prologueSucceeded_; }
  // Status of the host's last call into the plug-in.
  OSStatus lastStatus() const { return lastStatus_; }
  // The pane title Prologue gave (UTF-8), empty when it gave none.
  const std::string& title() const { return title_; }
  // The host window (borrowed; null before Start or when Prologue failed).
  WindowRef window() const { return window_; }

  // The control of the host window with the pane's signature and id; null when the pane is
  // not shown or holds no such control.
  ControlRef FindControl(int id) const;

  // Calls Sync with reinitializePlugin when the pane is shown; returns its status, or the last
  // status unchanged when the pane is not shown (nothing is called).
  OSStatus Sync(bool reinitializePlugin);

  // Calls GetSummaryText when the pane is shown and converts its arrays (released here).
  // Returns its status; with the pane not shown, returns the last status and no rows.
  OSStatus Summary(SummaryRows* rows);

  // The print-settings ticket's PPD dictionary as text. Returns false with *error set when the
  // ticket's dictionary cannot be had.
  bool PrintSettings(OptionMap* options, std::string* error) const;

 private:
  PMPrintSession printSession_ = nullptr;
  PMTicketRef settingsTicket_ = 0;
  std::unique_ptr<DialogExtension> extension_;
  PMPDEContext context_ = nullptr;
  bool prologueSucceeded_ = false;
  bool paneShown_ = false;
  OSStatus lastStatus_ = noErr;
  std::string title_;
  WindowRef window_ = nullptr;
};

}  // namespace pdehost
