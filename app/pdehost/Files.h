// Files.h: reading the host's input files whole, with a size limit and a clear reason on failure.
#pragma once

#include <string>

namespace pdehost {

// Reads the file at path (or standard input for "-") into *bytes. Returns false with *error set
// to "<path>: why" when it cannot be opened or read, is a directory, or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string* bytes,
                   std::string* error);

}  // namespace pdehost
