// BenchPane.h: what the benchmarks share: the pane hosted as the printing system hosts it, the
// process's resident memory, and a generated large PPD.
#pragma once

#include <string>

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

// A PPD of 60,000 lines: the sample's, then options of five lines each. Written on first use,
// then left unchanged long enough for its version to be told by its stamp alone; removed when the
// process exits.
std::string LargePPD();

}  // namespace pde::bench
