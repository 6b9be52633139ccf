// SavedSettings.cc: reads and writes the per-printer settings files with owner-only access.
#include "SavedSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

bool IsSecretKeyword(const std::string& keyword) {
  return keyword.size() == 9 && keyword.compare(0, 8, "DINDigit") == 0 && keyword[8] >= '1' &&
         keyword[8] <= '5';
}

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
  pdehost::SettingList read;
  std::string bytes;
  if (pde::ReadInputFile(path, pde::InputKind::kPreset, &bytes, error) != pde::InputRead::kRead ||
      !pdehost::ParseSettings(bytes, path, &read, error)) {
    return false;
  }
  for (auto& setting : read) {
    if (!IsSecretKeyword(setting.first)) settings->push_back(std::move(setting));
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
  pdehost::OptionMap kept;
  for (const auto& [keyword, value] : options) {
    if (!IsSecretKeyword(keyword)) kept.emplace(keyword, value);
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());  // made with mode 0600
  if (fd < 0) {
    *error = Why(path);
    return false;
  }
  bool saved =
      fchmod(fd, 0600) == 0 && WriteAll(fd, pdehost::FormatOptionLines(kept)) && fsync(fd) == 0;
  int failure = errno;
  if (close(fd) != 0 && saved) {
    saved = false;
    failure = errno;
  }
  if (saved && rename(temporary.c_str(), path.c_str()) != 0) {
    saved = false;
    failure = errno;
  }
  if (!saved) {
    *error = path + ": " + std::strerror(failure);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace pde::gtk
