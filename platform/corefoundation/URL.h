// URL.h: file URLs as the other types of this layer use them (internal).
#pragma once

#include <string>

#include "Runtime.h"

namespace pde::cf {

// A new file URL of an absolute or relative path; null when the allocation fails.
CFURLRef NewFileURL(std::string path, bool isDirectory);
// The path of a file URL, as given (no trailing slash but for "/"); null when ref is not a URL.
const std::string* PathOf(CFURLRef ref);

}  // namespace pde::cf
