// Trust.cc: the owner and write permissions of plug-in directories and bundles.
#include "Trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pdehost {

namespace {

// Why a file with this status may not be trusted with code, or an empty string.
std::string Distrust(const struct stat& info) {
  if (info.st_uid != geteuid() && info.st_uid != 0) {
    return "owned by another user (uid " + std::to_string(info.st_uid) + ")";
  }
  if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWOTH) != 0) return "others can write to it";
  return {};
}

bool Check(const std::string& path, bool followLink, const char* what, std::string* error) {
  struct stat info {};
  if ((followLink ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  const std::string why = Distrust(info);
  if (why.empty()) return true;
  *error = path + ": " + why + ": refused as " + what;
  return false;
}

}  // namespace

bool CheckPlugInDirectoryTrust(const std::string& path, std::string* error) {
  return Check(path, true, "the plug-in directory", error);
}

bool CheckBundleTrust(const std::string& path, std::string* error) {
  constexpr const char* kWhat = "a plug-in";
  if (!Check(path, true, kWhat, error)) return false;
  std::error_code code;
  std::filesystem::recursive_directory_iterator entry(path, code);
  for (; !code && entry != std::filesystem::recursive_directory_iterator(); entry.increment(code)) {
    if (!Check(entry->path().string(), false, kWhat, error)) return false;
  }
  if (!code) return true;
  *error = path + ": " + code.message();
  return false;
}

}  // namespace pdehost
