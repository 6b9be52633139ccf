// QueuePPDCopy.cc: this user's copies of the queues' PPDs, one per server and queue in a private
// directory, each refreshed only when the server has a newer version.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "QueueName.h"
#include "QueuePPDRequest.h"
#include "ServerConnection.h"
#include "pde/FileDescriptor.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr std::size_t kLongestName = 200;  // well below NAME_MAX with the temporary suffix
constexpr int kTemporaryAttempts = 100;

std::string Failure(const std::string& what, const std::string& path) {
  const int cause = errno;
  return "cannot " + what + " \"" + path + "\": " + std::strerror(cause);
}

std::string CacheHome() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return cache;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* entry = getpwuid(geteuid());
    home = entry != nullptr ? entry->pw_dir : nullptr;
  }
  return std::string(home != nullptr ? home : "") + "/.cache";
}

// Opens the directory of the copies, making it (and its parents, owner-only) when missing. -1
// with *error set when it cannot, or when it is a symbolic link, someone else's, or open to others.
int OpenCopyDirectory(std::string* path, std::string* error) {
  *path = CacheHome() + "/pdekit/ppd";
  for (std::size_t slash = path->find('/', 1);; slash = path->find('/', slash + 1)) {
    const std::string part = path->substr(0, slash);
    struct stat existing {};
    if (stat(part.c_str(), &existing) != 0 && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = Failure("make the directory", part);
      return -1;
    }
    if (slash == std::string::npos) break;
  }
  const int fd = open(path->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    *error = Failure("open the directory", *path);
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
    close(fd);
    *error = "the directory \"" + *path + "\" is not private to its owner (mode 0700)";
    return -1;
  }
  return fd;
}

void AppendEncoded(std::string_view text, std::string* name) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == ':' ||
                       (byte == '.' && !name->empty());
    if (plain) {
      *name += c;
    } else {
      *name += '%';
      *name += kHexDigits[byte >> 4];
      *name += kHexDigits[byte & 0x0F];
    }
  }
}

// The copy's file name: the server and the queue, readable ("127.0.0.1:631@q.ppd"), else a hash
// of both when that would be too long. Never begins with '.', as the temporary files do.
std::string CopyName(const std::string& server, const std::string& queue) {
  std::string name;
  AppendEncoded(server, &name);
  name += '@';
  AppendEncoded(queue, &name);
  if (name.size() > kLongestName) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : server + '\0' + queue) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    name = std::string("h") + hex;
  }
  return name + ".ppd";
}

// The version the copy `name` holds, when it is a regular file of this user's with a time.
bool HeldVersion(int directory, const std::string& name, internal::HeldPPD* held) {
  const FileDescriptor fd(
      openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_uid != geteuid() || info.st_mtime <= 0) {
    return false;
  }
  held->size = info.st_size;
  held->version = info.st_mtime;
  return true;
}

// A new temporary file beside the copy `name`, open for writing; -1 with *error set.
int CreateTemporary(int directory, const std::string& name, std::string* temporary,
                    const std::string& directoryPath, std::string* error) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    *temporary = "." + name + "." + suffix;
    const int fd = openat(directory, temporary->c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) {
      if (fd < 0) *error = Failure("create a file in", directoryPath);
      return fd;
    }
  }
  errno = EEXIST;
  *error = Failure("create a file in", directoryPath);
  return -1;
}

}  // namespace

std::string UpdateQueuePPDCopy(const std::string& queue, std::string* error, Cancellation* cancel) {
  std::string ignored;
  std::string& failure = error != nullptr ? *error : ignored;
  if (!internal::IsValidQueueName(queue)) {
    failure = "\"" + queue + "\" is not a valid CUPS queue name";
    return {};
  }
  std::string directoryPath;
  const FileDescriptor directory(OpenCopyDirectory(&directoryPath, &failure));
  if (directory.get() < 0) return {};
  const internal::ServerConnection connection(cancel);
  if (connection.get() == nullptr) {
    failure = connection.failure();
    return {};
  }
  const std::string name = CopyName(connection.server(), queue);
  const std::string path = directoryPath + "/" + name;
  internal::HeldPPD held;
  const bool holds = HeldVersion(directory.get(), name, &held);

  std::string temporary;
  FileDescriptor fd(CreateTemporary(directory.get(), name, &temporary, directoryPath, &failure));
  if (fd.get() < 0) return {};
  const std::string temporaryPath = directoryPath + "/" + temporary;
  time_t version = 0;
  const internal::PpdAnswer answer = internal::RequestQueuePPD(
      connection, queue, holds ? &held : nullptr, fd.get(), temporaryPath, &version, &failure);
  bool kept = answer == internal::PpdAnswer::kCopied;
  if (kept && version > 0) {
    const timespec times[2] = {{version, 0}, {version, 0}};
    if (futimens(fd.get(), times) != 0) {
      failure = Failure("set the time of", temporaryPath);
      kept = false;
    }
  }
  if (!fd.Close() && kept) {
    failure = Failure("write", temporaryPath);
    kept = false;
  }
  if (kept && renameat(directory.get(), temporary.c_str(), directory.get(), name.c_str()) != 0) {
    failure = Failure("replace", path);
    kept = false;
  }
  if (!kept) unlinkat(directory.get(), temporary.c_str(), 0);
  return kept || answer == internal::PpdAnswer::kUnchanged ? path : std::string();
}

}  // namespace pde::cups
