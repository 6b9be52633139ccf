// Files.cc: whole-file reads for scripts, settings and PPDs, standard input included.
#include "Files.h"

#include <iostream>

namespace pdehost {

namespace {

bool ReadStream(std::istream& in, const std::string& path, size_t maxBytes, std::string* bytes,
                std::string* error) {
  bytes->clear();
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    bytes->append(buffer, static_cast<size_t>(in.gcount()));
    if (bytes->size() > maxBytes) {
      *error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
      return false;
    }
  }
  if (in.bad()) {
    *error = path + ": cannot be read";
    return false;
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, pde::InputKind kind, std::string* bytes,
                   std::string* error) {
  if (path == "-") {
    return ReadStream(std::cin, "<stdin>", pde::MaxInputFileSize(kind), bytes, error);
  }
  return pde::ReadInputFile(path, kind, bytes, error) == pde::InputRead::kRead;
}

bool LineReader::Next(std::string_view* line) {
  if (start_ >= text_.size()) return false;
  size_t end = text_.find('\n', start_);
  if (end == std::string_view::npos) end = text_.size();
  *line = text_.substr(start_, end - start_);
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  start_ = end + 1;
  ++lineNumber_;
  return true;
}

}  // namespace pdehost
