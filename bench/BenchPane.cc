// BenchPane.cc: the bundle loaded once, print sessions, host windows, an open pane, memory.
#include "BenchPane.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "PlugInLoader.h"
#include "pde/CFHost.h"

namespace pde::bench {

namespace {

constexpr OSType kPaneSignature = 0x7A6F7220;  // 'zor '

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
    if (!loaded) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return loaded.release();  // kept loaded until the process ends
  }();
  return extension->operations();
}

Session::Session() {
  CreatePrintSession(&session_);
  AddTicketToSession(session_, CFSTR(kPMPrinterInfoTicket), &printerInfo_);
  SetTicketPPDPath(printerInfo_, SamplePPD());
  AddTicketToSession(session_, CFSTR(kPMPrintSettingsTicket), nullptr);
}

Session::~Session() {
  DisposePrintSession(session_);
}

HostWindow::HostWindow() {
  const Rect content{0, 0, 240, 480};
  CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &content, &window_);
  CreateUserPaneControl(window_, &content, 0, &pane_);
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

OpenPane::OpenPane(const PlugInIntfVTable& operations, const Session& session,
                   const HostWindow& host)
    : operations_(operations) {
  OSType creator = 0;
  CFStringRef kind = nullptr;
  CFStringRef title = nullptr;
  UInt32 maxH = 0;
  UInt32 maxV = 0;
  if (operations_.Prologue(&context_, &creator, &kind, &title, &maxH, &maxV) != noErr) return;
  CFRelease(title);
  PMPDEFlags flags = kPMPDENoFlags;
  ok_ = operations_.Initialize(context_, &flags, 0, host.pane(), session.get()) == noErr;
}

OpenPane::~OpenPane() {
  operations_.Terminate(context_, noErr);
}

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long LiveObjects() {
  return LiveObjectCount() + LiveToolkitObjectCount() + LiveTicketCount();
}

}  // namespace pde::bench
