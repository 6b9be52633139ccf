// GuiSession.cc: pdehost's GUI part, loaded for pdehost --gui: runs the host window until Print
// or Cancel. Its only export is the entry point pdehost looks up.
#include <iostream>
#include <type_traits>

#include "Emitters.h"
#include "GuiSession.h"
#include "HostWindow.h"
#include "pde/EscapedText.h"

extern "C" int pdehost_gui_run_session(pdehost::DialogSession* session,
                                       const pdehost::HostOptions* options,
                                       pdehost::OptionCheck* check, std::string* out) {
  using namespace pdehost;
  if (!gtk_init_check(nullptr, nullptr)) {
    std::cerr << "pdehost: --gui: cannot open the display\n";
    return 2;
  }
  int status = 1;
  // With --save-defaults the button saves, in GTK's word for it.
  const char* accept = options->saveDefaults ? g_dgettext("gtk30", "_Save") : "";
  pde::gtk::HostWindow window(
      session,
      [&status](pde::gtk::HostWindow::Outcome outcome) {
        status = outcome == pde::gtk::HostWindow::Outcome::kPrinted ? 0 : 1;
        gtk_main_quit();
      },
      accept);
  window.Present();
  gtk_main();
  if (status != 0) return status;
  OptionMap printed;
  std::string error;
  if (!session->PrintSettings(&printed, &error) || !check->Check(printed, "", &error)) {
    std::cerr << "pdehost: " << pde::EscapeBytes(error) << "\n";
    return 2;
  }
  *out += FormatOptions(options->emit, printed);
  return 0;
}

static_assert(std::is_same_v<decltype(&pdehost_gui_run_session), pdehost::GuiEntryPoint>,
              "the entry point pdehost looks up");
