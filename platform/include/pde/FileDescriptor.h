// FileDescriptor.h: an open file descriptor owned by a scope, for the platform layers and hosts.
#pragma once

#include <unistd.h>

namespace pde {

// Owns fd (or nothing when it is negative) and closes it when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  // Stops owning the descriptor, leaving it open, and returns it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes what is owned now, then owns fd.
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

  int get() const { return fd_; }
  // Closes now, for a caller that must know the outcome; false with errno set when closing fails.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace pde
