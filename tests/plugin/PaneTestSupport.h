// PaneTestSupport.h: what the plug-in's tests share: paths, print sessions, host windows, text.
#pragma once

#include <string>

#include "pde/CFHost.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace zor::test {

// The bundle the build lays out, a fixture of tests/data/plugin, a PPD of samples/ppd.
std::string BundlePath();
std::string DataPath(const std::string& name);
std::string SamplePPD(const std::string& name);

// A print session as a host makes it: a printer-info ticket naming ppdPath (no such ticket when
// ppdPath is empty) and, when withSettings, an empty print-settings ticket.
class TestSession {
 public:
  explicit TestSession(const std::string& ppdPath, bool withSettings = true);
  ~TestSession();
  TestSession(const TestSession&) = delete;
  TestSession& operator=(const TestSession&) = delete;

  PMPrintSession get() const { return session_; }
  // The print-settings ticket's own PPD dictionary (borrowed); null without that ticket.
  CFMutableDictionaryRef Settings() const;

 private:
  PMPrintSession session_ = nullptr;
  PMTicketRef settings_ = 0;
};

// A host window holding the user pane a dialog extension is embedded in.
class HostWindow {
 public:
  explicit HostWindow(Rect paneBounds = Rect{20, 20, 240, 480});
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  WindowRef window() const { return window_; }
  ControlRef pane() const { return pane_; }

 private:
  WindowRef window_ = nullptr;
  ControlRef pane_ = nullptr;
};

// The text an edit field shows, in UTF-8; "<unreadable>" when it cannot be read.
std::string FieldText(ControlRef field);
// Puts text into an edit field as the pane does, past every key filter.
void SetFieldText(ControlRef field, const char* text);
// The string under key in UTF-8; "<absent>" without one, "<not a string>" for another object.
std::string DictString(CFDictionaryRef dict, const char* key);
void SetDictString(CFMutableDictionaryRef dict, const char* key, const char* value);
// Every entry of dict as "KEY=VALUE", sorted by key and joined by ' ' (values as DictString).
std::string DictDump(CFDictionaryRef dict);
// The strings of an array in UTF-8, joined by '|'.
std::string JoinStrings(CFArrayRef strings);

}  // namespace zor::test
