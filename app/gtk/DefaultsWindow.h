// DefaultsWindow.h: pdeprint --defaults: a CUPS queue's pane in a window with Save and Cancel,
// which saves the pane's settings as the queue's defaults, for every application that prints to it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DialogSession.h"
#include "HostWindow.h"
#include "pde/PPDHost.h"

namespace pde::gtk {

class DefaultsWindow {
 public:
  enum class Outcome { kSaved, kCancelled, kFailed };
  // Receives how the window ended and the lines to show: what saving said (SavePaneDefaults),
  // the error last for kFailed.
  using Done = std::function<void(Outcome outcome, const std::vector<std::string>& messages)>;

  // Fetches queue's PPD, starts a dialog session whose ticket holds the queue's defaults
  // (GatherQueueDefaults and LocateDialogExtension give *notes their lines) and makes the
  // window, not shown. Save saves the pane's settings (SavePaneDefaults); done is then called
  // once: kSaved or kFailed after Save, kCancelled for Cancel, Escape or closing the window. It
  // may destroy the window. Returns null with *error set when the queue does not exist or has no PPD, the server does not
  // answer, the PPD or the bundle cannot be read, or the pane declines the printer.
  static std::unique_ptr<DefaultsWindow> Open(const std::string& queue, Done done,
                                              std::vector<std::string>* notes, std::string* error);

  ~DefaultsWindow() = default;
  DefaultsWindow(const DefaultsWindow&) = delete;
  DefaultsWindow& operator=(const DefaultsWindow&) = delete;

  void Present() { window_->Present(); }
  // The window, its pane and buttons (borrowed).
  HostWindow& window() const { return *window_; }
  // The dialog session (borrowed).
  const pdehost::DialogSession& session() const { return session_; }

 private:
  // The fetched copy of the PPD, removed once the session that reads it is gone.
  struct FetchedFile {
    std::string path;
    ~FetchedFile();
  };

  DefaultsWindow() = default;
  void Save();

  // Destroyed in reverse order: the window, then the session (Terminate), then the PPD.
  std::string queue_;
  FetchedFile ppd_;
  std::vector<pde::PPDOption> ppdOptions_;
  pdehost::OptionMap start_;  // the queue's defaults the pane started from
  Done done_;
  pdehost::DialogSession session_;
  std::unique_ptr<HostWindow> window_;
};

}  // namespace pde::gtk
