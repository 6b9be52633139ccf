// SavedSettings.cc: reads and writes the per-printer settings files with owner-only access.
#include "SavedSettings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

#include "PaneKeywords.h"
#include "pde/FileDescriptor.h"
#include "pde/InputFiles.h"

namespace pde::gtk {
namespace {

constexpr size_t kMaxPrinterNameBytes = 127;

std::string ConfigurationDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + "/.config";
}

bool IsFileName(const std::string& name) {
  if (name.empty() || name.size() > kMaxPrinterNameBytes || name == "." || name == "..")
    return false;
  for (unsigned char c : name) {
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string Why(const std::string& path) {
  return path + ": " + std::strerror(errno);
}

// Makes directory with mode 0700 unless it exists.
bool MakePrivateDirectory(const std::string& directory, std::string* error) {
  if (mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST) return true;
  *error = Why(directory);
  return false;
}

// Opens the preset directory for the files of a save, refusing one that is a symbolic link, that
// another user owns or that anyone but its owner may write to: whoever can write there can read,
// replace or redirect the presets. Returns -1 with *error set when it refuses or cannot open it.
int OpenPresetDirectory(const std::string& directory, std::string* error) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    const int failure = errno;
    struct stat link {};
    *error = lstat(directory.c_str(), &link) == 0 && S_ISLNK(link.st_mode)
                 ? directory + ": a symbolic link: refused as the preset directory"
                 : directory + ": " + std::strerror(failure);
    return -1;
  }
  struct stat info {};
  std::string refusal;
  if (fstat(fd, &info) != 0) {
    refusal = Why(directory);
  } else if (info.st_uid != geteuid()) {
    refusal = directory + ": owned by another user: refused as the preset directory";
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    refusal = directory + ": others can write to it: refused as the preset directory";
  }
  if (refusal.empty()) return fd;
  close(fd);
  *error = refusal;
  return -1;
}

// Refuses a preset that another user owns or that anyone but its owner may write to, as the
// directory it lies in is refused: whoever can write it chooses the next job's settings.
bool CheckPresetFile(const std::string& path, std::string* error) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    *error = Why(path);
    return false;
  }
  if (info.st_uid != geteuid()) {
    *error = path + ": owned by another user: refused as a preset";
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *error = path + ": others can write to it: refused as a preset";
  } else {
    return true;
  }
  return false;
}

constexpr std::string_view kTemporaryInfix = ".settings.";
constexpr std::string_view kTemporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kTemporarySuffixLength = 6;

// True for the name of a save's temporary file: "<printer>.settings." and six letters or digits.
bool IsTemporaryName(std::string_view name) {
  const size_t tail = kTemporaryInfix.size() + kTemporarySuffixLength;
  if (name.size() <= tail ||
      name.substr(name.size() - tail, kTemporaryInfix.size()) != kTemporaryInfix) {
    return false;
  }
  return name.substr(name.size() - kTemporarySuffixLength).find_first_not_of(kTemporaryLetters) ==
         std::string_view::npos;
}

// Removes the temporary files that saves killed before their rename left in the directory. A
// save holds a lock on its temporary file until it is renamed, so one still under way is kept.
// Housekeeping only: what cannot be removed now is tried again by the next save.
void RemoveStaleTemporaries(int directoryFd) {
  const int listFd = dup(directoryFd);
  DIR* listing = listFd < 0 ? nullptr : fdopendir(listFd);
  if (listing == nullptr) {
    if (listFd >= 0) close(listFd);
    return;
  }
  rewinddir(listing);
  while (const dirent* entry = readdir(listing)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const FileDescriptor file(
        openat(directoryFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.get() >= 0 && fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) &&
        flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
      unlinkat(directoryFd, entry->d_name, 0);
    }
  }
  closedir(listing);
}

// Creates a new temporary file "<base>.XXXXXX" in the directory with mode 0600, locked against
// RemoveStaleTemporaries; writes its name to *name. Returns -1 with errno set when it cannot.
int CreateTemporary(int directoryFd, const std::string& base, std::string* name) {
  // The names need not be unguessable: the directory is the user's alone, and O_EXCL never
  // opens a file that is already there.
  std::minstd_rand entropy(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ getpid()));
  std::uniform_int_distribution<size_t> letter(0, kTemporaryLetters.size() - 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = base + '.';
    for (size_t i = 0; i < kTemporarySuffixLength; ++i) *name += kTemporaryLetters[letter(entropy)];
    const int fd = openat(directoryFd, name->c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && flock(fd, LOCK_EX) != 0) {
      const int failure = errno;
      unlinkat(directoryFd, name->c_str(), 0);
      close(fd);
      errno = failure;
      return -1;
    }
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string SettingsPathFor(const std::string& printer) {
  const std::string directory = ConfigurationDirectory();
  if (!IsFileName(printer) || directory.empty()) return {};
  return directory + "/pdekit/" + printer + ".settings";
}

bool LoadSavedSettings(const std::string& printer, pdehost::SettingList* settings,
                       std::string* error) {
  settings->clear();
  const std::string path = SettingsPathFor(printer);
  if (path.empty()) {
    *error = "no settings file can be named for printer \"" + printer + "\"";
    return false;
  }
  if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) return true;
  // Saving refuses a directory that others could have planted a preset in: so does loading.
  const FileDescriptor directory(OpenPresetDirectory(ConfigurationDirectory() + "/pdekit", error));
  pdehost::SettingList read;
  std::string bytes;
  if (directory.get() < 0 || !CheckPresetFile(path, error) ||
      pde::ReadInputFile(path, pde::InputKind::kPreset, &bytes, error) != pde::InputRead::kRead ||
      !pdehost::ParseSettings(bytes, path, &read, error)) {
    return false;
  }
  for (auto& setting : read) {
    if (!pdehost::IsSecretKeyword(setting.first)) settings->push_back(std::move(setting));
  }
  return true;
}

bool SaveSettings(const std::string& printer, const pdehost::OptionMap& options,
                  std::string* error) {
  const std::string path = SettingsPathFor(printer);
  if (path.empty()) {
    *error = "no settings file can be named for printer \"" + printer + "\"";
    return false;
  }
  const std::string configuration = ConfigurationDirectory();
  if (!MakePrivateDirectory(configuration, error) ||
      !MakePrivateDirectory(configuration + "/pdekit", error)) {
    return false;
  }
  const std::string directory = configuration + "/pdekit";
  const FileDescriptor directoryFd(OpenPresetDirectory(directory, error));
  if (directoryFd.get() < 0) return false;
  RemoveStaleTemporaries(directoryFd.get());

  pdehost::OptionMap kept;
  for (const auto& [keyword, value] : options) {
    if (!pdehost::IsSecretKeyword(keyword)) kept.emplace(keyword, value);
  }
  const std::string name = path.substr(directory.size() + 1);
  std::string temporary;
  FileDescriptor file(CreateTemporary(directoryFd.get(), name, &temporary));
  if (file.get() < 0) {
    *error = Why(path);
    return false;
  }
  // The lock on the temporary file holds until it has its name. The directory is synced after
  // the rename, so that the new file survives a crash under that name.
  bool saved = fchmod(file.get(), 0600) == 0 &&
               WriteAll(file.get(), pdehost::FormatOptionLines(kept)) && fsync(file.get()) == 0 &&
               renameat(directoryFd.get(), temporary.c_str(), directoryFd.get(), name.c_str()) == 0;
  int failure = errno;
  if (!file.Close() && saved) {
    saved = false;
    failure = errno;
  }
  if (!saved) {
    *error = path + ": " + std::strerror(failure);
    unlinkat(directoryFd.get(), temporary.c_str(), 0);
    return false;
  }
  if (fsync(directoryFd.get()) != 0) {
    *error = Why(directory);
    return false;
  }
  return true;
}

}  // namespace pde::gtk
