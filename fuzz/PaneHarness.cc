// PaneHarness.cc: the bundle loaded once, print sessions, host windows and an open pane.
#include "PaneHarness.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdlib>
#include <memory>

#include "PlugInLoader.h"

namespace pde::fuzz {

namespace {

constexpr OSType kPaneSignature = 0x7A6F7220;  // 'zor '

}  // namespace

void Fail(std::string_view what) {
  // The sanitizer's report channel stays open when the fuzzer closes standard error.
  const std::string message = "pane invariant broken: " + std::string(what);
  __sanitizer_report_error_summary(message.c_str());
  std::abort();
}

const PlugInIntfVTable& Operations() {
  static const pdehost::DialogExtension* extension = [] {
    std::string error;
    auto loaded = pdehost::DialogExtension::Load(ZORPDE_BUNDLE_PATH, &error);
    if (!loaded) Fail(error);
    return loaded.release();  // kept loaded until the process ends
  }();
  return extension->operations();
}

std::string SamplePPD() {
  return ZOR_SAMPLE_PPD_DIR "/VELMORA-q-RX730.ppd";
}

long LiveObjects() {
  return LiveObjectCount() + LiveToolkitObjectCount() + LiveTicketCount();
}

Session::Session(const std::string& ppdPath) {
  PMTicketRef printerInfo = 0;
  PMTicketRef settings = 0;
  Check(CreatePrintSession(&session_) == noErr, "print session");
  Check(AddTicketToSession(session_, CFSTR(kPMPrinterInfoTicket), &printerInfo) == noErr,
        "printer-info ticket");
  Check(SetTicketPPDPath(printerInfo, ppdPath) == noErr, "PPD path");
  Check(AddTicketToSession(session_, CFSTR(kPMPrintSettingsTicket), &settings) == noErr,
        "print-settings ticket");
  Check(PMTicketGetPPDDict(settings, kPMTopLevel, kPMTopLevel, &settings_) == noErr,
        "print-settings dictionary");
}

Session::~Session() {
  DisposePrintSession(session_);
}

HostWindow::HostWindow() {
  const Rect content{0, 0, 240, 480};
  Check(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &content, &window_) == noErr,
        "host window");
  Check(CreateUserPaneControl(window_, &content, 0, &pane_) == noErr, "host pane");
}

HostWindow::~HostWindow() {
  DisposeWindow(window_);
}

ControlRef HostWindow::Control(int id) const {
  for (const ControlSnapshot& snapshot : SnapshotWindow(window_)) {
    if (snapshot.id.signature == kPaneSignature && snapshot.id.id == id) return snapshot.control;
  }
  return nullptr;
}

OpenPane::OpenPane(const Session& session, const HostWindow& host) {
  const PlugInIntfVTable& operations = Operations();
  OSType creator = 0;
  CFStringRef kind = nullptr;
  CFStringRef title = nullptr;
  UInt32 maxH = 0;
  UInt32 maxV = 0;
  prologueStatus_ = operations.Prologue(&context_, &creator, &kind, &title, &maxH, &maxV);
  if (title != nullptr) CFRelease(title);
  status_ = prologueStatus_;
  if (status_ != noErr) return;
  PMPDEFlags flags = kPMPDENoFlags;
  status_ = operations.Initialize(context_, &flags, 0, host.pane(), session.get());
}

OpenPane::~OpenPane() {
  Check(Operations().Terminate(context_, noErr) == noErr, "Terminate returns 0");
}

}  // namespace pde::fuzz
