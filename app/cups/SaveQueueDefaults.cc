// SaveQueueDefaults.cc: a queue's options set in the lpoptions file that libcups's clients read
// its defaults from, in the format cupsSetDests2 writes, replacing the file at once.
//
// libcups 2.4's cupsSetDests2 is not used: it truncates the file in place (a failed or killed
// write loses it), rewrites every line from cupsGetDests2's list (which reads the files unchecked,
// so a FIFO hangs it, copies the system file's options into the user's and drops the lines of
// queues the server does not list now), and in Debian 12's 2.4.2 writes root's ~/.cups/lpoptions
// instead of the system file the lpoptions command documents for root.
#include <cups/cups.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "LpOptions.h"
#include "pde/FileDescriptor.h"
#include "pde/cups/CupsOptions.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr char kNothingSaved[] = "; nothing is saved";

// " NAME=VALUE" as cupsSetDests2 writes it: a value with blanks, quotes or backslashes quoted,
// each quote and backslash escaped; an empty value as " NAME".
std::string FormatOption(const char* name, const char* value) {
  std::string text = std::string(" ") + name;
  if (value[0] == '\0') return text;
  bool quoted = false;
  for (const char* c = value; *c != '\0'; ++c)
    quoted = quoted || std::isspace(static_cast<unsigned char>(*c)) || std::strchr("\"'\\", *c);
  text += quoted ? "=\"" : "=";
  for (const char* c = value; *c != '\0'; ++c) {
    if (quoted && std::strchr("\"'\\", *c)) text += '\\';
    text += *c;
  }
  return quoted ? text + "\"" : text;
}

// A name and value that an lpoptions line holds as they are: a name of letters, digits and
// "-_.+", a value without control characters or '#', which starts a comment there.
bool IsStorable(const std::string& name, const std::string& value) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (!std::isalnum(c) && std::strchr("-_.+", c) == nullptr) return false;
  }
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7F || c == '#') return false;
  }
  return true;
}

// contents with options set on the first "Dest" or "Default" line for queue, the one libcups's
// cupsGetNamedDest reads; a "Dest" line is added at the end when there is none. Every other line
// stays as it is; no options change nothing. False when libcups runs out of memory.
bool SetOnQueueLine(const std::string& contents, const std::string& queue,
                    const OptionList& options, std::string* edited) {
  *edited = contents;
  if (options.empty()) return true;
  std::size_t start = 0;
  std::optional<internal::LpOptionsLine> line;
  while (start < contents.size()) {
    const std::size_t end = contents.find('\n', start);
    line = internal::ParseQueueLine(contents.substr(start, end - start), queue);
    if (line) break;
    start = end == std::string::npos ? contents.size() : end + 1;
  }
  if (!line) line = internal::LpOptionsLine{"Dest", queue, ""};
  cups_option_t* parsed = nullptr;
  int count = cupsParseOptions(line->options.c_str(), 0, &parsed);
  for (const auto& [name, value] : options) {
    const int before = count;
    count = cupsAddOption(name.c_str(), value.c_str(), count, &parsed);
    if (count < before) return false;
  }
  std::string text = line->keyword + " " + line->name;
  for (int i = 0; i < count; ++i) text += FormatOption(parsed[i].name, parsed[i].value);
  cupsFreeOptions(count, parsed);
  if (start < contents.size()) {
    const std::size_t end = contents.find('\n', start);
    *edited = contents.substr(0, start) + text +
              (end == std::string::npos ? "" : contents.substr(end));
  } else {
    *edited = contents + (contents.empty() || contents.back() == '\n' ? "" : "\n") + text + "\n";
  }
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes bytes to a new file beside path with mode, then renames it to path and syncs the
// directory: readers see the old file or the new one, never a part. False with *error set.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode,
                 std::string* error) {
  const std::string directory = path.substr(0, path.rfind('/'));
  std::string temporary = directory + "/.lpoptions.XXXXXX";
  pde::FileDescriptor file(mkostemp(temporary.data(), O_CLOEXEC));
  bool written = file.get() >= 0 && fchmod(file.get(), mode) == 0 &&
                 WriteAll(file.get(), bytes) && fsync(file.get()) == 0;
  int failure = errno;
  if (file.get() >= 0 && !file.Close() && written) {
    written = false;
    failure = errno;
  }
  if (written && rename(temporary.c_str(), path.c_str()) == 0) {
    const pde::FileDescriptor parent(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.get() >= 0 && fsync(parent.get()) == 0) return true;
    *error = directory + ": " + std::strerror(errno) + " (syncing after the save)";
    return false;
  }
  if (written) failure = errno;
  unlink(temporary.c_str());
  *error = path + ": " + std::strerror(failure) + kNothingSaved;
  return false;
}

}  // namespace

std::string SavedDefaultsPath() {
  const std::vector<std::string> paths = internal::LpOptionsPaths();
  if (getuid() == 0) return paths.front();
  return paths.size() > 1 ? paths.back() : std::string();
}

bool SaveQueueDefaults(const std::string& queue, const OptionList& options, std::string* error) {
  for (const auto& [name, value] : options) {
    if (!IsStorable(name, value)) {
      *error = name + "=" + value + ": cannot be kept in an lpoptions file" + kNothingSaved;
      return false;
    }
  }
  if (!CheckQueueExists(queue, error)) return false;
  const std::string path = SavedDefaultsPath();
  if (path.empty()) {
    *error = "the user has no home directory for ~/.cups/lpoptions";
    return false;
  }
  if (getuid() != 0) {  // as libcups does: ~/.cups for the user alone
    const std::string directory = path.substr(0, path.rfind('/'));
    if (access(directory.c_str(), F_OK) != 0) mkdir(directory.c_str(), 0700);
  }
  // The file open and locked while it is read and replaced; a file that another writer holds
  // locked, or that is replaced meanwhile, is left to it.
  pde::FileDescriptor current(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  std::string contents;
  std::string target = path;
  mode_t mode = 0644;
  if (current.get() < 0 && errno != ENOENT) {
    *error = path + ": " + std::strerror(errno) + kNothingSaved;
    return false;
  }
  if (current.get() >= 0) {
    struct stat opened {}, named {};
    if (flock(current.get(), LOCK_EX | LOCK_NB) != 0) {
      *error = path + (errno == EWOULDBLOCK ? ": another program holds it locked for writing"
                                            : ": " + std::string(std::strerror(errno))) +
               kNothingSaved;
      return false;
    }
    if (!internal::ReadLpOptionsFile(current.get(), path, &contents, error)) {
      *error += kNothingSaved;
      return false;
    }
    if (fstat(current.get(), &opened) != 0 || stat(path.c_str(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
      *error = path + ": replaced by another program while it was read" + kNothingSaved;
      return false;
    }
    if (access(path.c_str(), W_OK) != 0) {
      *error = path + ": " + std::strerror(errno) + kNothingSaved;
      return false;
    }
    mode = opened.st_mode & 07777;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) target = resolved;  // a link's target
  }
  std::string edited;
  if (!SetOnQueueLine(contents, queue, options, &edited)) {
    *error = path + ": out of memory" + kNothingSaved;
    return false;
  }
  return edited == contents || ReplaceFile(target, edited, mode, error);
}

}  // namespace pde::cups
