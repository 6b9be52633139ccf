// TemporaryPpd.h: the file pdehost fetches a queue's PPD into, removed on every way out of the
// process: when it goes out of scope, at exit, and on SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <string>

namespace pdehost {

class TemporaryPpd {
 public:
  TemporaryPpd() = default;
  // Removes the file, if one was made.
  ~TemporaryPpd();
  TemporaryPpd(const TemporaryPpd&) = delete;
  TemporaryPpd& operator=(const TemporaryPpd&) = delete;

  // Makes a new empty file pde-queue-XXXXXX.ppd under $TMPDIR (else /tmp), open for writing as
  // fd(), with the three signals held off until its path is where their handler finds it. Only
  // one TemporaryPpd may hold a file at a time. False with *error set when it cannot be made.
  bool Create(std::string* error);

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  // Closes fd(); false with *error set when the last writes failed.
  bool Close(std::string* error);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace pdehost
