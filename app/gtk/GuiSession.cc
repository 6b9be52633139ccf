// GuiSession.cc: pdehost --gui with GTK: runs the host window until Print or Cancel.
#include "GuiSession.h"

#include <iostream>

#include "Emitters.h"
#include "HostWindow.h"
#include "pde/EscapedText.h"

namespace pdehost {

int RunGuiSession(DialogSession* session, const HostOptions& options, OptionCheck* check,
                  std::string* out) {
  if (!gtk_init_check(nullptr, nullptr)) {
    std::cerr << "pdehost: --gui: cannot open the display\n";
    return 2;
  }
  int status = 1;
  pde::gtk::HostWindow window(session, [&status](pde::gtk::HostWindow::Outcome outcome) {
    status = outcome == pde::gtk::HostWindow::Outcome::kPrinted ? 0 : 1;
    gtk_main_quit();
  });
  window.Present();
  gtk_main();
  if (status != 0) return status;
  OptionMap printed;
  std::string error;
  if (!session->PrintSettings(&printed, &error) || !check->Check(printed, "", &error)) {
    std::cerr << "pdehost: " << pde::EscapeBytes(error) << "\n";
    return 2;
  }
  *out += FormatOptions(options.emit, printed);
  return 0;
}

}  // namespace pdehost
