// GtkIntegration.cc: the pane's GTK integration, which the GTK module loads with the first print
// dialog of a process: installs the hooks that attach the pane's tab to each print dialog when it
// is shown, and attaches it to that first one. Every note goes to GLib's debug log
// (G_MESSAGES_DEBUG=pdekit shows them), never to the application's standard error.
#include "GtkIntegration.h"

#include <gtk/gtk.h>

#include <string>
#include <type_traits>

#include "PaneTab.h"
#include "PrintIntegration.h"
#include "pde/EscapedText.h"

extern "C" const char* pdekit_gtk_integration_start(GtkPrintUnixDialog* dialog) {
  static std::string why;
  pde::gtk::PrintIntegration integration;
  // Notes carry what servers and PPDs say: escaped, they can forge no log line.
  integration.note = [](const std::string& line) {
    g_debug("%s", pde::EscapeBytes(line).c_str());
  };
  if (!pde::gtk::InstallPrintIntegration(std::move(integration), &why)) return why.c_str();
  pde::gtk::RouteConsoleToDebugLog();
  if (dialog != nullptr && pde::gtk::PaneTab::For(GTK_WIDGET(dialog)) == nullptr)
    pde::gtk::PaneTab::Attach(dialog);
  return nullptr;
}

static_assert(std::is_same_v<decltype(&pdekit_gtk_integration_start), PdekitGtkIntegrationStart>,
              "the entry point the module looks up");
