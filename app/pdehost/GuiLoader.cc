// GuiLoader.cc: pdehost --gui: loads the GUI part from beside the program and runs its window.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "GuiSession.h"
#include "Paths.h"

namespace pdehost {

int RunGuiSession(DialogSession* session, const HostOptions& options, OptionCheck* check,
                  std::string* out) {
  const std::string path = PrivateLibraryFile(PDE_GUI_PART_FILE);
  struct stat status {};
  if (path.empty() || stat(path.c_str(), &status) != 0) {
    std::cerr << "pdehost: --gui: " << (path.empty() ? "the GUI part" : path) << ": "
              << (path.empty() ? "the program cannot tell where it lies" : std::strerror(errno))
              << "\n";
    return 2;
  }
  // Kept loaded once opened: GTK and GLib's types cannot be unloaded.
  void* part = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (part == nullptr) {
    std::cerr << "pdehost: --gui: " << dlerror() << "\n";
    return 2;
  }
  auto entry = reinterpret_cast<GuiEntryPoint>(dlsym(part, kGuiEntryPoint));
  dlclose(part);
  if (entry == nullptr) {
    std::cerr << "pdehost: --gui: " << path << ": not pdehost's GUI part (no " << kGuiEntryPoint
              << ")\n";
    return 2;
  }
  return entry(session, &options, check, out);
}

}  // namespace pdehost
