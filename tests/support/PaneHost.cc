// PaneHost.cc: the bundle loaded once, print sessions, host windows and an open pane.
#include "PaneHost.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "PlugInLoader.h"

namespace pde::test {

namespace {

constexpr OSType kPaneSignature = 0x7A6F7220;  // 'zor '

// A host that cannot be set up is a broken build, not a finding: say what and stop.
void Require(bool holds, std::string_view what) {
  if (holds) return;
  std::fprintf(stderr, "pane host: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace

std::string BundlePath() {
  return ZORPDE_BUNDLE_PATH;
}

std::string SamplePPD() {
  return ZOR_SAMPLE_PPD_DIR "/VELMORA-q-RX730.ppd";
}

const PlugInIntfVTable& Operations() {
  static const pdehost::DialogExtension* extension = [] {
    std::string error;
    std::unique_ptr<pdehost::DialogExtension> loaded =
        pdehost::DialogExtension::Load(BundlePath(), &error);
    Require(loaded != nullptr, error);
    return loaded.release();  // kept loaded until the process ends
  }();
  return extension->operations();
}

long LiveObjects() {
  return LiveObjectCount() + LiveToolkitObjectCount() + LiveTicketCount();
}

Session::Session(const std::string& ppdPath, bool withSettings) {
  Require(CreatePrintSession(&session_) == noErr, "print session");
  if (!ppdPath.empty()) {
    Require(AddTicketToSession(session_, CFSTR(kPMPrinterInfoTicket), &printerInfo_) == noErr,
            "printer-info ticket");
    Require(SetTicketPPDPath(printerInfo_, ppdPath) == noErr, "PPD path");
  }
  if (!withSettings) return;
  PMTicketRef settings = 0;
  Require(AddTicketToSession(session_, CFSTR(kPMPrintSettingsTicket), &settings) == noErr,
          "print-settings ticket");
  Require(PMTicketGetPPDDict(settings, kPMTopLevel, kPMTopLevel, &settings_) == noErr,
          "print-settings dictionary");
}

Session::~Session() {
  DisposePrintSession(session_);
}

HostWindow::HostWindow(Rect paneBounds) {
  const Rect content{0, 0, 240, 480};
  Require(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &content, &window_) == noErr,
          "host window");
  Require(CreateUserPaneControl(window_, &paneBounds, 0, &pane_) == noErr, "host pane");
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

OpenPane::OpenPane(const Session& session, const HostWindow& host,
                   const PlugInIntfVTable& operations)
    : operations_(operations) {
  OSType creator = 0;
  CFStringRef kind = nullptr;
  CFStringRef title = nullptr;
  UInt32 maxH = 0;
  UInt32 maxV = 0;
  prologueStatus_ = operations_.Prologue(&context_, &creator, &kind, &title, &maxH, &maxV);
  if (title != nullptr) CFRelease(title);
  status_ = prologueStatus_;
  if (status_ != noErr) return;
  PMPDEFlags flags = kPMPDENoFlags;
  status_ = operations_.Initialize(context_, &flags, 0, host.pane(), session.get());
}

OpenPane::~OpenPane() {
  Require(operations_.Terminate(context_, noErr) == noErr, "Terminate returns 0");
}

}  // namespace pde::test
