// Launcher.cc: a program's command in bin/. Checks that the program and the private libraries it
// needs are in the tree's private library directory, then runs it from there, so that a missing
// or unreadable one is named with its path and exit status 2 (the dynamic loader would stop the
// program before any of its code ran, naming a library's file name only).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "LauncherConfig.h"

namespace {

constexpr int kExitBadInstall = 2;

int Refuse(const std::string& path, const char* why) {
  std::fprintf(stderr, "%s: %s: %s\n", PDE_PROGRAM, path.c_str(), why);
  return kExitBadInstall;
}

}  // namespace

int main(int, char** argv) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return Refuse("/proc/self/exe", "cannot tell where the program lies");
  const std::filesystem::path directory =
      (self.parent_path() / PDE_PRIVATE_LIBDIR_FROM_BINDIR).lexically_normal();
  for (const char* name : {PDE_PRIVATE_FILES}) {
    const std::string path = (directory / name).string();
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return Refuse(path, std::strerror(errno));
    close(file);
  }
  const std::string program = (directory / PDE_PROGRAM).string();
  execv(program.c_str(), argv);
  return Refuse(program, std::strerror(errno));
}
