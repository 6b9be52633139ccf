// PaneHost.h: the pane hosted as the printing system hosts it, for the plug-in's tests, fuzzers and
// benchmarks: the bundle loaded once, print sessions, host windows, and an open pane.
#pragma once

#include <string>

#include "PrintCore/PMPrintingDialogExtensions.h"
#include "pde/CFHost.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::test {

// The built bundle's path and the supported sample printer's PPD.
std::string BundlePath();
std::string SamplePPD();

// The dialog-extension operations of the built bundle, loaded once through the plug-in loader
// on first use and kept for the process's life.
const PlugInIntfVTable& Operations();

// Platform objects alive now: Core Foundation objects, toolkit objects and tickets.
long LiveObjects();

// A print session as the printing system makes it: a printer-info ticket naming ppdPath (none when
// ppdPath is empty) and, when withSettings, an empty print-settings ticket.
class Session {
 public:
  explicit Session(const std::string& ppdPath = SamplePPD(), bool withSettings = true);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  PMPrintSession get() const { return session_; }
  PMTicketRef printerInfo() const { return printerInfo_; }
  // The print-settings ticket's own PPD dictionary (borrowed); null without that ticket.
  CFMutableDictionaryRef Settings() const { return settings_; }

 private:
  PMPrintSession session_ = nullptr;
  PMTicketRef printerInfo_ = 0;
  CFMutableDictionaryRef settings_ = nullptr;
};

// A host window with the user pane a dialog extension is put into, at paneBounds.
class HostWindow {
 public:
  explicit HostWindow(Rect paneBounds = Rect{0, 0, 240, 480});
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

// The pane of operations, opened with Prologue and Initialize (only after a successful
// Prologue) into host's pane, and closed with Terminate when destroyed.
class OpenPane {
 public:
  OpenPane(const Session& session, const HostWindow& host,
           const PlugInIntfVTable& operations = Operations());
  ~OpenPane();
  OpenPane(const OpenPane&) = delete;
  OpenPane& operator=(const OpenPane&) = delete;

  OSStatus prologueStatus() const { return prologueStatus_; }
  // Initialize's status; Prologue's when that failed.
  OSStatus status() const { return status_; }
  bool ok() const { return status_ == noErr; }
  PMPDEContext context() const { return context_; }

 private:
  const PlugInIntfVTable& operations_;
  PMPDEContext context_ = nullptr;
  OSStatus prologueStatus_ = noErr;
  OSStatus status_ = noErr;
};

}  // namespace pde::test
