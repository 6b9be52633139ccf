// Executable.h: the checks a bundle's executable passes before it is loaded (internal).
#pragma once

#include <string>

namespace pde::cf {

// The canonical path of the executable `name` of the bundle in `bundleDirectory`, once it is
// known to be safe to hand to the dynamic loader: after symbolic links are resolved, a regular
// file inside the bundle's Contents/MacOS, and a 64-bit ELF shared object of this machine whose
// program headers and segments lie within the file (a truncated file would fault inside the
// loader). Empty, with *why set ("<file>: reason"), otherwise.
std::string CheckedExecutablePath(const std::string& bundleDirectory, const std::string& name,
                                  std::string* why);

}  // namespace pde::cf
