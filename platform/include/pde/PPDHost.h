// PPDHost.h: host-only side of the compiled-PPD library: checking a printer's PPD before a
// session is built on it.
#pragma once

#include <string>

namespace pde {

// Reads and parses the PPD file at path as ppdOpenCompiledPPDFromTicket does. Returns false with
// *error "<path>:<line>: why" for text the parser refuses (empty, not a PPD, a line longer than
// 255 bytes, ...) and "<path>: why" for a file that cannot be read or is refused unread (not a
// regular file, too large, compressed, too many keyword lines). A host reports such a file as bad
// input rather than letting the pane decline the printer. A file that passes is kept compiled, so
// the pane that opens it next does not parse it again.
bool CheckPPDFile(const std::string& path, std::string* error);

}  // namespace pde
