// GuiUnavailable.cc: pdehost --gui in a build without GTK 3.
#include <iostream>

#include "GuiSession.h"

namespace pdehost {

int RunGuiSession(DialogSession*, const HostOptions&, OptionCheck*, std::string*) {
  std::cerr << "pdehost: --gui needs GTK 3, which this build was made without "
               "(scripts/install-deps.sh installs it)\n";
  return 2;
}

}  // namespace pdehost
