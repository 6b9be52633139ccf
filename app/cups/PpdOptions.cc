// PpdOptions.cc: the options and choices of a PPD, through libcups's PPD parser.
#include <cups/ppd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "pde/cups/CupsOptions.h"

namespace pde::cups {

namespace {

struct CupsFileCloser {
  void operator()(cups_file_t* file) const { cupsFileClose(file); }
};

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

// The file at path opened for libcups: without blocking (a FIFO put in its place cannot hang the
// open), and only when it is a regular file. Null with *error set otherwise.
std::unique_ptr<cups_file_t, CupsFileCloser> OpenRegularFile(const std::string& path,
                                                             std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) {
    const int cause = errno;
    if (fd >= 0) close(fd);
    *error = path + ": " + std::strerror(cause);
    return nullptr;
  }
  cups_file_t* file = S_ISREG(status.st_mode) ? cupsFileOpenFd(fd, "r") : nullptr;
  if (file == nullptr) {
    close(fd);
    *error = path + (S_ISREG(status.st_mode) ? ": cannot be read" : ": not a regular file");
  }
  return std::unique_ptr<cups_file_t, CupsFileCloser>(file);
}

}  // namespace

bool ReadPpdOptions(const std::string& path, std::vector<PpdOption>* options, std::string* error) {
  options->clear();
  const auto file = OpenRegularFile(path, error);
  if (!file) return false;
  const std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpen2(file.get()));
  if (!ppd) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    *error = path + ":" + std::to_string(line) + ": " + ppdErrorString(status);
    return false;
  }
  for (ppd_option_t* option = ppdFirstOption(ppd.get()); option != nullptr;
       option = ppdNextOption(ppd.get())) {
    PpdOption entry{option->keyword, option->defchoice, {}};
    for (int i = 0; i < option->num_choices; ++i)
      entry.choices.emplace_back(option->choices[i].choice);
    options->push_back(std::move(entry));
  }
  return true;
}

}  // namespace pde::cups
