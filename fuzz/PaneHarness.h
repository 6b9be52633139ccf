// PaneHarness.h: what the pane fuzzers share: the bundle loaded once, print sessions, host
// windows, an open pane, and the check that stops a run on a broken invariant.
#pragma once

#include <string>
#include <string_view>

#include "PrintCore/PMPrintingDialogExtensions.h"
#include "pde/CFHost.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::fuzz {

// Prints what broke and aborts, which libFuzzer reports as a crash with the input that did it.
[[noreturn]] void Fail(std::string_view what);
inline void Check(bool holds, std::string_view what) {
  if (!holds) Fail(what);
}

// The dialog-extension operations of the built bundle, loaded once through the plug-in loader
// on first use and kept for the process's life.
const PlugInIntfVTable& Operations();

// The supported sample printer's PPD.
std::string SamplePPD();

// Platform objects alive now: Core Foundation objects, toolkit objects and tickets.
long LiveObjects();

// A print session as the printing system makes it: a printer-info ticket naming ppdPath and an
// empty print-settings ticket.
class Session {
 public:
  explicit Session(const std::string& ppdPath);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  PMPrintSession get() const { return session_; }
  // The print-settings ticket's own PPD dictionary (borrowed).
  CFMutableDictionaryRef Settings() const { return settings_; }

 private:
  PMPrintSession session_ = nullptr;
  CFMutableDictionaryRef settings_ = nullptr;
};

// A host window with the user pane a dialog extension is put into.
class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  WindowRef window() const { return window_; }
  ControlRef pane() const { return pane_; }
  // The control with the pane's signature and id, found without the toolkit's lookup call;
  // null when the window holds none.
  ControlRef Control(int id) const;

 private:
  WindowRef window_ = nullptr;
  ControlRef pane_ = nullptr;
};

// The pane of the loaded bundle, opened with Prologue and Initialize (only after a successful
// Prologue) into host's pane, and closed with Terminate when destroyed.
class OpenPane {
 public:
  OpenPane(const Session& session, const HostWindow& host);
  ~OpenPane();
  OpenPane(const OpenPane&) = delete;
  OpenPane& operator=(const OpenPane&) = delete;

  OSStatus prologueStatus() const { return prologueStatus_; }
  // Initialize's status; Prologue's when that failed.
  OSStatus status() const { return status_; }
  PMPDEContext context() const { return context_; }

 private:
  PMPDEContext context_ = nullptr;
  OSStatus prologueStatus_ = noErr;
  OSStatus status_ = noErr;
};

}  // namespace pde::fuzz
