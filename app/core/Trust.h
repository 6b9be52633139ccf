// Trust.h: whether a plug-in directory and a bundle may be loaded code from.
#pragma once

#include <string>

namespace pdehost {

// Checks the directory at path (symbolic links followed) that plug-ins are loaded from: anyone
// who may write to it, or who owns it, may put code there that the caller would run. Returns
// false with *error "<path>: why: refused as the plug-in directory" when anyone but its owner
// may write to it (others' write permission) or when it is owned by a user other than the
// caller or root.
bool CheckPlugInDirectoryTrust(const std::string& path, std::string* error);

// The same check for the bundle directory at path and everything in it (symbolic links inside
// are checked for their owner only and not followed; the loader refuses an executable out of the
// bundle). *error is "<file>: why: refused as a plug-in".
bool CheckBundleTrust(const std::string& path, std::string* error);

}  // namespace pdehost
