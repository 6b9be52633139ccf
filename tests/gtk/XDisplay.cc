// XDisplay.cc: starts Xvfb with -displayfd so that it picks a free display, and GTK on it.
#include "XDisplay.h"

#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pde::test {
namespace {

pid_t serverPid = 0;

void StopServer() {
  if (serverPid <= 0) return;
  kill(serverPid, SIGTERM);
  waitpid(serverPid, nullptr, 0);
  serverPid = 0;
}

// Starts Xvfb and reads the display number it writes once it accepts connections.
bool StartXvfb(std::string* display, std::string* why) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    *why = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    *why = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // no server outlives a test program that crashed
    close(pipeFds[0]);
    const std::string fd = std::to_string(pipeFds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  serverPid = pid;
  std::atexit(StopServer);
  std::string number;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeFds[0]);
  if (number.empty()) {
    int status = 0;
    waitpid(pid, &status, 0);
    serverPid = 0;
    *why = WIFEXITED(status) && WEXITSTATUS(status) == 127
               ? "Xvfb is not installed (Debian package xvfb)"
               : "Xvfb exited without opening a display";
    return false;
  }
  *display = ":" + number;
  return true;
}

}  // namespace

bool RunningInCI() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

bool StartPrivateDisplay(std::string* why) {
  static bool attempted = false;
  static bool ready = false;
  static std::string failure;
  if (!attempted) {
    attempted = true;
    std::string display;
    if (StartXvfb(&display, &failure)) {
      setenv("DISPLAY", display.c_str(), 1);
      unsetenv("WAYLAND_DISPLAY");
      setenv("GDK_BACKEND", "x11", 1);
      setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus to look for
      setenv("GTK_THEME", "Adwaita", 1);
      ready = gtk_init_check(nullptr, nullptr);
      if (!ready) failure = "GTK cannot open display " + display;
      // A critical is a misuse of GTK: it ends the test program. (Warnings are GTK's own notes,
      // such as the missing D-Bus system bus of a test machine.)
      g_log_set_always_fatal(G_LOG_LEVEL_CRITICAL);
    }
  }
  *why = failure;
  return ready;
}

}  // namespace pde::test
