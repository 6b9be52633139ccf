// TemporaryPpd.cc: the file pdehost fetches a queue's PPD into, removed on every way out of the
// process: when it goes out of scope, at exit, and on SIGINT, SIGTERM or SIGHUP.
#include "TemporaryPpd.h"

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pdehost {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr char kTemplateName[] = "/pde-queue-XXXXXX.ppd";
constexpr int kTemplateSuffixLength = 4;  // ".ppd"

// The path of the file while it exists, for the handler: written only with the signals blocked.
char heldPath[PATH_MAX];

void RemoveHeld() {
  if (heldPath[0] != '\0') unlink(heldPath);
  heldPath[0] = '\0';
}

// Async-signal-safe: removes the file, then dies of the signal as it would have.
void OnSignal(int signal) {
  const int saved = errno;
  if (heldPath[0] != '\0') unlink(heldPath);
  heldPath[0] = '\0';
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  errno = saved;
  raise(signal);
}

// Blocks the three signals for its lifetime.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

void InstallHandlersOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal : kSignals) {
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) continue;  // what the caller ignores stays ignored
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    sigaction(signal, &action, nullptr);
  }
  std::atexit(RemoveHeld);
}

}  // namespace

bool TemporaryPpd::Create(std::string* error) {
  const char* set = std::getenv("TMPDIR");
  const std::string directory = set != nullptr && set[0] != '\0' ? set : "/tmp";
  std::string path = directory + kTemplateName;
  if (path.size() >= sizeof heldPath) {
    *error = "cannot create a temporary file in \"" + directory + "\": the path is too long";
    return false;
  }
  const SignalsHeld held;
  InstallHandlersOnce();
  fd_ = mkstemps(path.data(), kTemplateSuffixLength);
  if (fd_ < 0) {
    const int cause = errno;
    *error = "cannot create a temporary file in \"" + directory + "\": " + std::strerror(cause);
    return false;
  }
  std::memcpy(heldPath, path.c_str(), path.size() + 1);
  path_ = path;
  return true;
}

bool TemporaryPpd::Close(std::string* error) {
  if (fd_ < 0) return true;
  const int status = close(fd_);
  fd_ = -1;
  if (status == 0) return true;
  const int cause = errno;
  *error = "cannot write \"" + path_ + "\": " + std::strerror(cause);
  return false;
}

TemporaryPpd::~TemporaryPpd() {
  if (fd_ >= 0) close(fd_);
  if (path_.empty()) return;
  const SignalsHeld held;
  RemoveHeld();
}

}  // namespace pdehost
