// Paths.h: where the host finds its bundled samples and the plug-in directory.
#pragma once

#include <string>

namespace pdehost {

// The samples directory: $PDE_SAMPLES_DIR when set, else the source tree's samples/.
std::string SamplesDirectory();
// The plug-in directory: $PDE_PLUGIN_DIR when set, else the build's plugins/.
std::string PlugInDirectory();

// The PPD of the bundled supported sample printer.
std::string DefaultPpdPath();
// The bundled demo session.
std::string DemoScriptPath();
// The bundle the build makes, in the plug-in directory.
std::string BuiltBundlePath();

}  // namespace pdehost
