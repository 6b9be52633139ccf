// pdeprint.cc: pdeprint FILE: prints a file through GTK's print dialog, with the pane's tab for
// the printers it serves; pdeprint --defaults QUEUE: saves the pane's settings as a queue's
// defaults.
#include <gtk/gtk.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "DefaultsWindow.h"
#include "PrintDialog.h"
#include "PrintIntegration.h"
#include "Version.h"
#include "pde/EscapedText.h"
#include "pde/cups/CupsOptions.h"
#include "pde/cups/CupsQueue.h"

namespace {

constexpr int kExitPrinted = 0;
constexpr int kExitNotPrinted = 1;
constexpr int kExitBadInput = 2;

constexpr char kUsage[] =
    "usage: pdeprint [--printer QUEUE] FILE\n"
    "       pdeprint --defaults QUEUE\n"
    "Opens the print dialog for FILE; --printer selects a CUPS queue first (one the server\n"
    "has, else exit status 2). Once printed, writes \"submitted job ID to QUEUE\".\n"
    "  --defaults QUEUE  open the queue's pane with Save and Cancel instead: Save makes the\n"
    "                    settings changed there the queue's defaults for every application\n"
    "                    (~/.cups/lpoptions; root: /etc/cups/lpoptions), never the DIN nor\n"
    "                    the print mode Private\n"
    "  -h, --help        this text\n"
    "  --version         the program's version\n"
    "Exit status: 0 printed or saved, 1 cancelled or not printed, 2 bad command line, file,\n"
    "queue or lpoptions file.\n";
constexpr char kTryHelp[] = "Try 'pdeprint --help' for more information.\n";

// Writes "pdeprint: " and each line on standard error, its bytes escaped.
void Say(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::cerr << "pdeprint: " << pde::EscapeBytes(line) << "\n";
}

// pdeprint --defaults QUEUE, once GTK is up: the window until Save or Cancel. Returns the exit
// status.
int SaveDefaults(const std::string& queue) {
  pde::gtk::RouteConsoleToDebugLog();
  int status = kExitNotPrinted;
  std::vector<std::string> notes;
  std::string error;
  auto window = pde::gtk::DefaultsWindow::Open(
      queue,
      [&status](pde::gtk::DefaultsWindow::Outcome outcome, const std::vector<std::string>& said) {
        Say(said);
        status = outcome == pde::gtk::DefaultsWindow::Outcome::kSaved    ? kExitPrinted
                 : outcome == pde::gtk::DefaultsWindow::Outcome::kFailed ? kExitBadInput
                                                                         : kExitNotPrinted;
        gtk_main_quit();
      },
      &notes, &error);
  Say(notes);
  if (!window) {
    Say({error});
    return kExitBadInput;
  }
  window->Present();
  gtk_main();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string printer;
  std::string file;
  std::string defaults;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return kExitPrinted;
    }
    if (argument == "--version") {
      std::cout << pdehost::VersionText("pdeprint");
      return kExitPrinted;
    }
    if (argument == "--printer" && i + 1 < argc) {
      printer = argv[++i];
    } else if (argument.rfind("--printer=", 0) == 0) {
      printer = argument.substr(10);
    } else if (argument == "--defaults" && i + 1 < argc) {
      defaults = argv[++i];
    } else if (argument.rfind("--defaults=", 0) == 0) {
      defaults = argument.substr(11);
    } else if (file.empty() && !argument.empty() && argument[0] != '-') {
      file = argument;
    } else {
      std::cerr << "pdeprint: unexpected argument \"" << argument << "\"\n" << kTryHelp;
      return kExitBadInput;
    }
  }
  if (!defaults.empty() && (!file.empty() || !printer.empty())) {
    std::cerr << "pdeprint: --defaults takes no FILE and no --printer\n" << kTryHelp;
    return kExitBadInput;
  }
  if (!defaults.empty()) {
    std::string error;
    if (!pde::cups::CheckQueueExists(defaults, &error)) {
      Say({error});
      return kExitBadInput;
    }
    if (!gtk_init_check(&argc, &argv)) {
      std::cerr << "pdeprint: cannot open the display\n";
      return kExitBadInput;
    }
    return SaveDefaults(defaults);
  }
  if (file.empty()) {
    std::cerr << "pdeprint: no FILE to print\n" << kTryHelp;
    return kExitBadInput;
  }
  // Checked without blocking: GTK would hang on a FIFO and spin on a device.
  std::string error;
  if (!pde::cups::CanSubmitFile(file, &error)) {
    std::cerr << "pdeprint: " << pde::EscapeBytes(error) << "\n";
    return kExitBadInput;
  }
  if (!printer.empty() && !pde::cups::CheckQueueExists(printer, &error)) {
    std::cerr << "pdeprint: " << error << "\n";
    return kExitBadInput;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::cerr << "pdeprint: cannot open the display\n";
    return kExitBadInput;
  }

  // The pane's diagnostic line (the printer's model name) goes to GLib's debug log.
  pde::gtk::RouteConsoleToDebugLog();
  int status = kExitNotPrinted;
  pde::gtk::PrintDialog dialog(file, printer, [&status](pde::gtk::PrintDialog::Outcome outcome) {
    status = outcome == pde::gtk::PrintDialog::Outcome::kPrinted ? kExitPrinted : kExitNotPrinted;
    gtk_main_quit();
  });
  dialog.Present();
  gtk_main();
  if (status == kExitPrinted && dialog.jobId() > 0)
    std::cout << "submitted job " << dialog.jobId() << " to " << dialog.queue() << "\n";
  return status;
}
