// BenchPane.h: what the benchmarks share: the bundle loaded once, print sessions, host windows,
// an open pane, and the process's resident memory.
#pragma once

#include <string>

#include "PrintCore/PMPrintingDialogExtensions.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::bench {

// The built bundle's path and the supported sample printer's PPD.
std::string BundlePath();
std::string SamplePPD();

// The dialog-extension operations of the bundle, loaded once through the plug-in loader on
// first use and kept for the process's life; aborts with a message when it cannot be loaded.
const PlugInIntfVTable& Operations();

// A print session as the printing system makes it: a printer-info ticket naming the sample PPD
// and an empty print-settings ticket.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  PMPrintSession get() const { return session_; }
  PMTicketRef printerInfo() const { return printerInfo_; }

 private:
  PMPrintSession session_ = nullptr;
  PMTicketRef printerInfo_ = 0;
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
  // The pane's control with this id (null when there is none).
  ControlRef Control(int id) const;

 private:
  WindowRef window_ = nullptr;
  ControlRef pane_ = nullptr;
};

// Prologue and Initialize of operations into host's pane; Terminate when destroyed. ok() is
// false when either failed.
class OpenPane {
 public:
  OpenPane(const PlugInIntfVTable& operations, const Session& session, const HostWindow& host);
  ~OpenPane();
  OpenPane(const OpenPane&) = delete;
  OpenPane& operator=(const OpenPane&) = delete;

  bool ok() const { return ok_; }
  PMPDEContext context() const { return context_; }

 private:
  const PlugInIntfVTable& operations_;
  PMPDEContext context_ = nullptr;
  bool ok_ = false;
};

// The process's resident memory, in kilobytes.
long ResidentKilobytes();
// Platform objects alive: Core Foundation objects, toolkit objects and tickets.
long LiveObjects();

}  // namespace pde::bench
