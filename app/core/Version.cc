// Version.cc: the project's version, as CMake's project() sets it.
#include "Version.h"

namespace pdehost {

std::string VersionText(std::string_view program) {
  return std::string(program) + " (PDEKit) " PDE_VERSION "\n";
}

}  // namespace pdehost
