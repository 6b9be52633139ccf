// CheckPrinterCodeMain.cc: checks that a printer's data holds the code of the pane's chosen
// options.
//
// Usage: check_printer_code OUTPUT_FILE [KEY=VALUE...]
// The fourteen options start at the pane's defaults and each KEY=VALUE changes one. Exits 0 when
// the data holds the code of every chosen value and none of the other choices, 1 (listing each
// mismatch) when it does not, 2 on bad usage or an unreadable file.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "PrinterCode.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: check_printer_code OUTPUT_FILE [KEY=VALUE...]\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "check_printer_code: cannot read " << argv[1] << "\n";
    return 2;
  }
  std::ostringstream output;
  output << in.rdbuf();

  pde::test::PaneOptions chosen = pde::test::DefaultPaneOptions();
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    const std::size_t equals = option.find('=');
    if (equals == std::string::npos || !chosen.count(option.substr(0, equals))) {
      std::cerr << "check_printer_code: not one of the pane's options: " << option << "\n";
      return 2;
    }
    chosen[option.substr(0, equals)] = option.substr(equals + 1);
  }
  const std::string mismatches = pde::test::CheckPrinterCode(output.str(), chosen);
  if (!mismatches.empty()) {
    std::cerr << argv[1] << ":\n" << mismatches;
    return 1;
  }
  std::cout << argv[1] << ": the code of all fourteen options is as chosen\n";
  return 0;
}
