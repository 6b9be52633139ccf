// LpOptions.cc: the lpoptions files that hold a queue's saved defaults, found and read as libcups
// reads them, but opened without blocking and only when each is a regular file of a sane size.
#include "LpOptions.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "pde/InputFiles.h"

namespace pde::cups::internal {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME")) return home;
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

// Reads the file at path into *contents when it is a regular file within the preset limit.
// Returns false with *why set when it must be skipped; a missing or unreadable file, which
// libcups passes over too, gives true and no contents.
bool ReadChecked(const std::string& path, std::string* contents, std::string* why) {
  contents->clear();
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  const bool usable = ReadLpOptionsFile(fd, path, contents, why);
  close(fd);
  if (!usable) *why += "; its options are skipped";
  return usable;
}

}  // namespace

std::vector<std::string> LpOptionsPaths() {
  const char* root = std::getenv("CUPS_SERVERROOT");
  std::vector<std::string> paths = {std::string(root != nullptr ? root : "/etc/cups") +
                                    "/lpoptions"};
  const std::string home = HomeDirectory();
  if (!home.empty()) paths.push_back(home + "/.cups/lpoptions");
  return paths;
}

bool ReadLpOptionsFile(int fd, const std::string& path, std::string* contents, std::string* why) {
  contents->clear();
  struct stat status {};
  const std::size_t limit = pde::MaxInputFileSize(pde::InputKind::kPreset);
  const std::string tooLarge = path + ": larger than " + std::to_string(limit) + " bytes";
  if (fstat(fd, &status) != 0) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    *why = path + ": not a regular file";
    return false;
  }
  if (static_cast<unsigned long long>(status.st_size) > limit) {
    *why = tooLarge;
    return false;
  }
  char buffer[4096];
  while (true) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      *why = path + ": " + std::strerror(errno);
      break;
    }
    if (count == 0) return true;
    contents->append(buffer, static_cast<std::size_t>(count));
    if (contents->size() > limit) {  // grown since it was measured
      *why = tooLarge;
      break;
    }
  }
  contents->clear();
  return false;
}

std::optional<LpOptionsLine> ParseQueueLine(std::string line, const std::string& queue) {
  const std::size_t hash = line.find('#');
  if (hash != std::string::npos) line.erase(hash);
  std::size_t at = 0;
  auto word = [&] {
    while (at < line.size() && IsBlank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    return line.substr(start, at - start);
  };
  LpOptionsLine parts;
  parts.keyword = word();
  if (strcasecmp(parts.keyword.c_str(), "Dest") != 0 &&
      strcasecmp(parts.keyword.c_str(), "Default") != 0) {
    return std::nullopt;
  }
  parts.name = word();
  if (parts.name.find('/') != std::string::npos ||
      strcasecmp(parts.name.c_str(), queue.c_str()) != 0) {
    return std::nullopt;
  }
  parts.options = line.substr(at);
  return parts;
}

LpOptionsFiles CheckLpOptionsFiles() {
  LpOptionsFiles files;
  for (const std::string& path : LpOptionsPaths()) {
    std::string contents;
    std::string why;
    if (ReadChecked(path, &contents, &why)) {
      files.contents.push_back(std::move(contents));
    } else {
      files.refused.push_back(std::move(why));
    }
  }
  return files;
}

void AddLpOptions(const std::string& contents, const std::string& queue, OptionList* options) {
  std::istringstream lines(contents);
  std::string line;
  while (std::getline(lines, line)) {
    const std::optional<LpOptionsLine> parts = ParseQueueLine(line, queue);
    if (!parts) continue;
    cups_option_t* parsed = nullptr;
    const int count = cupsParseOptions(parts->options.c_str(), 0, &parsed);
    for (int i = 0; i < count; ++i) {
      // libcups's option arrays match names in any letter case and keep the first spelling.
      auto same = options->begin();
      while (same != options->end() && strcasecmp(same->first.c_str(), parsed[i].name) != 0) ++same;
      if (same != options->end()) {
        same->second = parsed[i].value;
      } else {
        options->emplace_back(parsed[i].name, parsed[i].value);
      }
    }
    cupsFreeOptions(count, parsed);
  }
}

}  // namespace pde::cups::internal
