// GtkModule.cc: the GTK 3 module's entry points. Loading does nothing but install the hooks that
// attach the pane's tab to each print dialog when it is shown; every note goes to GLib's debug
// log (G_MESSAGES_DEBUG=pdekit shows them), never to the application's standard error.
#include <gmodule.h>
#include <gtk/gtk.h>

#include <string>

#include "PrintIntegration.h"
#include "pde/EscapedText.h"

extern "C" {

// Keeps the module loaded for the life of the process: its hooks stay installed.
G_MODULE_EXPORT const gchar* g_module_check_init(GModule* module) {
  g_module_make_resident(module);
  return nullptr;
}

// GTK calls this once, after loading the module.
G_MODULE_EXPORT void gtk_module_init(gint*, gchar***) {
  pde::gtk::PrintIntegration integration;
  // Notes carry what servers and PPDs say: escaped, they can forge no log line.
  integration.note = [](const std::string& line) {
    g_debug("%s", pde::EscapeBytes(line).c_str());
  };
  std::string why;
  if (!pde::gtk::InstallPrintIntegration(std::move(integration), &why)) {
    g_debug("print dialogs go on without the pane: %s", why.c_str());
    return;
  }
  pde::gtk::RouteConsoleToDebugLog();
}

}  // extern "C"
