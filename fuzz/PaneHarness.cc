// PaneHarness.cc: how a pane fuzzer reports a broken invariant.
#include "PaneHarness.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdlib>
#include <string>

namespace pde::fuzz {

void Fail(std::string_view what) {
  // The sanitizer's report channel stays open when the fuzzer closes standard error.
  const std::string message = "pane invariant broken: " + std::string(what);
  __sanitizer_report_error_summary(message.c_str());
  std::abort();
}

}  // namespace pde::fuzz
