// BenchPane.h: what the benchmarks share: the pane hosted as the printing system hosts it, and
// the process's resident memory.
#pragma once

#include "PaneHost.h"

namespace pde::bench {

using test::BundlePath;
using test::HostWindow;
using test::LiveObjects;
using test::OpenPane;
using test::Operations;
using test::SamplePPD;
using test::Session;

// The process's resident memory, in kilobytes.
long ResidentKilobytes();

}  // namespace pde::bench
