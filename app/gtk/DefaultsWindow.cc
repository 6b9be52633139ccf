// DefaultsWindow.cc: opens a queue's pane from its defaults and saves what Save confirms.
#include "DefaultsWindow.h"

#include <unistd.h>

#include "PpdScan.h"
#include "PrinterPane.h"
#include "SavedDefaults.h"

namespace pde::gtk {

std::unique_ptr<DefaultsWindow> DefaultsWindow::Open(const std::string& queue, Done done,
                                                     std::vector<std::string>* notes,
                                                     std::string* error) {
  std::unique_ptr<DefaultsWindow> window(new DefaultsWindow);
  window->queue_ = queue;
  window->done_ = std::move(done);
  window->ppd_.path = PrinterPane::FetchPpd(queue, error);
  pdehost::PpdFacts facts;
  pdehost::SessionSetup setup;
  if (window->ppd_.path.empty() || !pdehost::ScanPpd(window->ppd_.path, &facts, error) ||
      !pdehost::GatherQueueDefaults(queue, facts.options, &setup.settings, notes, error) ||
      !pdehost::LocateDialogExtension(window->ppd_.path, facts, &setup.bundlePath, notes, error)) {
    return nullptr;
  }
  window->ppdOptions_ = facts.options;
  for (const auto& [keyword, value] : setup.settings) window->start_[keyword] = value;
  setup.ppdPath = window->ppd_.path;
  if (!window->session_.Open(setup, error) || !window->session_.Start(error)) return nullptr;
  if (!window->session_.paneShown()) {
    *error = window->session_.WhyNoPane(facts.modelName);
    return nullptr;
  }
  DefaultsWindow* self = window.get();
  window->window_ = std::make_unique<HostWindow>(
      &window->session_,
      [self](HostWindow::Outcome outcome) {
        if (outcome == HostWindow::Outcome::kPrinted) {
          self->Save();
        } else {
          self->done_(Outcome::kCancelled, {});
        }
      },
      g_dgettext("gtk30", "_Save"));
  const std::string title = "pdeprint: the defaults of queue \"" + queue + "\"";
  gtk_window_set_title(GTK_WINDOW(window->window_->window()), title.c_str());
  return window;
}

DefaultsWindow::FetchedFile::~FetchedFile() {
  if (!path.empty()) unlink(path.c_str());
}

void DefaultsWindow::Save() {
  // The host window synchronised the ticket from the pane before it reported Save.
  pdehost::OptionMap chosen;
  std::vector<std::string> messages;
  std::string error;
  const bool saved = session_.PrintSettings(&chosen, &error) &&
                     pdehost::SavePaneDefaults(queue_, ppdOptions_, start_, chosen, &messages,
                                               &error);
  if (!saved) messages.push_back(error);
  done_(saved ? Outcome::kSaved : Outcome::kFailed, messages);
}

}  // namespace pde::gtk
