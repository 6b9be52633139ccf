// Files.h: reading the host's input files whole, with a size limit and a clear reason on failure,
// and walking their text line by line.
#pragma once

#include <string>
#include <string_view>

#include "pde/InputFiles.h"

namespace pdehost {

// Reads the file at path through pde::ReadInputFile (or standard input for "-", within the same
// limit) into *bytes. Returns false with *error set to "<path>: why" when it cannot be opened or
// read, is not a regular file, or is larger than the limit of kind.
bool ReadWholeFile(const std::string& path, pde::InputKind kind, std::string* bytes,
                   std::string* error);

// Walks a text line by line, numbering the lines from 1; a line is handed out without its '\n'
// and without a '\r' before it.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // Moves to the next line; false once the text is used up.
  bool Next(std::string_view* line);
  int lineNumber() const { return lineNumber_; }

 private:
  std::string_view text_;
  size_t start_ = 0;
  int lineNumber_ = 0;
};

}  // namespace pdehost
