// Paths.cc: the host's default files, compiled in from the build and overridable by environment.
#include "Paths.h"

#include <cstdlib>

namespace pdehost {

namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::string SamplesDirectory() { return FromEnvironment("PDE_SAMPLES_DIR", PDEHOST_SAMPLES_DIR); }

std::string PlugInDirectory() { return FromEnvironment("PDE_PLUGIN_DIR", PDEHOST_PLUGIN_DIR); }

std::string DefaultPpdPath() { return SamplesDirectory() + "/ppd/VELMORA-q-RX730.ppd"; }

std::string DemoScriptPath() { return SamplesDirectory() + "/sessions/demo.session"; }

std::string BuiltBundlePath() { return PlugInDirectory() + "/ZORPDE.plugin"; }

}  // namespace pdehost
