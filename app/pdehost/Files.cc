// Files.cc: whole-file reads for scripts, settings and PPDs.
#include "Files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string* bytes,
                   std::string* error) {
  if (path == "-") return ReadStream(std::cin, "<stdin>", maxBytes, bytes, error);
  std::error_code code;
  if (std::filesystem::is_directory(path, code)) {
    *error = path + ": is a directory";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return ReadStream(in, path, maxBytes, bytes, error);
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
