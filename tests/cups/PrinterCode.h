// PrinterCode.h: the code the sample PPDs send to the printer for each choice of the pane's
// options.
#pragma once

#include <map>
#include <string>

namespace pde::test {

// The fourteen options of the pane, each mapped to a chosen value.
using PaneOptions = std::map<std::string, std::string>;

// The pane's defaults as the sample PPDs declare them: Normal, the three switches off, 58203 twice.
PaneOptions DefaultPaneOptions();

// Sets the digit options prefix1 to prefix5 (DINDigit, DCDigit) of options to the digits of code.
void SetCode(PaneOptions* options, const std::string& prefix, const std::string& code);

// Checks that `output` holds the code of every value in `chosen` and none of the code of the other
// choices of those keys. Returns an empty string when it does, else one line per mismatch.
std::string CheckPrinterCode(const std::string& output, const PaneOptions& chosen);

}  // namespace pde::test
