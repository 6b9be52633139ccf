// PaneHarness.h: what the pane fuzzers share: the pane hosted as the printing system hosts it,
// and the check that stops a run on a broken invariant.
#pragma once

#include <string_view>

#include "PaneHost.h"

namespace pde::fuzz {

using test::HostWindow;
using test::LiveObjects;
using test::OpenPane;
using test::Operations;
using test::SamplePPD;
using test::Session;

// Prints what broke and aborts, which libFuzzer reports as a crash with the input that did it.
[[noreturn]] void Fail(std::string_view what);
inline void Check(bool holds, std::string_view what) {
  if (!holds) Fail(what);
}

}  // namespace pde::fuzz
