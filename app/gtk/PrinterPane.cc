// PrinterPane.cc: opens the plug-in's pane for a CUPS queue and closes it in the right order.
#include "PrinterPane.h"

#include <glib.h>

#include "PpdScan.h"
#include "pde/CFHost.h"
#include "pde/EscapedText.h"

namespace pde::gtk {
namespace {

std::string StatusText(OSStatus status) {
  return "status " + std::to_string(status);
}

}  // namespace

std::string PrinterPane::FetchPpd(const std::string& queue, std::string* why,
                                  pde::cups::Cancellation* cancel) {
  return pde::cups::UpdateQueuePPDCopy(queue, why, cancel);
}

std::unique_ptr<PrinterPane> PrinterPane::Open(const std::string& queue, const std::string& ppdPath,
                                               const pdehost::SettingList& preset,
                                               std::string* why) {
  std::unique_ptr<PrinterPane> pane(new PrinterPane);
  pane->queue_ = queue;

  pdehost::PpdFacts facts;
  pdehost::SessionSetup setup;
  std::vector<std::string> notes;
  const bool located =
      pdehost::ScanPpd(ppdPath, &facts, why) &&
      pdehost::LocateDialogExtension(ppdPath, facts, &setup.bundlePath, &notes, why);
  for (const std::string& note : notes) g_debug("%s", pde::EscapeBytes(note).c_str());
  if (!located) return nullptr;
  if (CFPtr<CFBundleRef> bundle = OpenBundle(setup.bundlePath))
    pane->localizations_ = PreferredLocalizations(bundle.get());
  setup.ppdPath = ppdPath;
  setup.settings = preset;
  if (!pane->session_.Open(setup, why) || !pane->session_.Start(why)) return nullptr;
  if (!pane->session_.paneShown()) {
    *why = pane->session_.WhyNoPane(facts.modelName);
    return nullptr;
  }
  pane->view_ = PaneView::Create(pane->session_.window());
  if (!pane->view_) {
    *why = "the pane has no controls to show";
    return nullptr;
  }
  return pane;
}

bool PrinterPane::CollectOptions(pdehost::OptionMap* options, std::string* error) {
  const OSStatus status = session_.Sync(false);
  if (status != noErr) {
    *error = "the pane's Sync failed (" + StatusText(status) + ")";
    return false;
  }
  return session_.PrintSettings(options, error);
}

}  // namespace pde::gtk
