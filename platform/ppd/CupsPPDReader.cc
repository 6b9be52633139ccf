// CupsPPDReader.cc: PPD text through libcups's PPD parser; the only user of its PPD API.
#include "CupsPPDReader.h"

#include <cups/ppd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "../../host/PPDLib/PPDLib.h"

namespace pde::ppd {
namespace {

struct PPDFileCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PPDFilePtr = std::unique_ptr<ppd_file_t, PPDFileCloser>;

struct CupsFileCloser {
  void operator()(cups_file_t* file) const { cupsFileClose(file); }
};
using CupsFilePtr = std::unique_ptr<cups_file_t, CupsFileCloser>;

// An unnamed in-memory file holding text, rewound, for libcups to read: the parser then sees
// exactly the bytes that were checked, whatever happens to the file on disk meanwhile. -1 with
// errno set on failure.
int MemoryFileWithText(std::string_view text) {
  int fd = memfd_create("ppd", MFD_CLOEXEC);
  if (fd < 0) return -1;
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t count = write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
    written += static_cast<std::size_t>(count);
  }
  if (lseek(fd, 0, SEEK_SET) != 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

}  // namespace

OSStatus ParsePPDMainKeywords(std::string_view text, std::vector<MainKeyword>* keywords,
                              std::vector<PPDOption>* options, int* errorLine,
                              std::string* errorMessage) {
  if (!keywords || !options || !errorLine || !errorMessage) return paramErr;
  int fd = MemoryFileWithText(text);
  if (fd < 0) {
    *errorMessage = std::string("cannot hand the file to the parser: ") + std::strerror(errno);
    return kPMGeneralError;
  }
  CupsFilePtr file(cupsFileOpenFd(fd, "r"));
  if (!file) {
    close(fd);
    *errorMessage = "cannot hand the file to the parser";
    return kPMGeneralError;
  }
  PPDFilePtr ppd(ppdOpen2(file.get()));
  if (!ppd) {
    ppd_status_t status = ppdLastError(errorLine);
    if (status == PPD_ALLOC_ERROR) return memFullErr;
    *errorMessage = ppdErrorString(status);
    return kPPDMalformedErr;
  }
  keywords->clear();
  for (int i = 0; i < ppd->num_attrs; ++i) {
    const ppd_attr_t* attr = ppd->attrs[i];
    if (attr->spec[0] != '\0') continue;
    keywords->push_back({attr->name, attr->value ? attr->value : ""});
  }
  options->clear();
  for (ppd_option_t* option = ppdFirstOption(ppd.get()); option != nullptr;
       option = ppdNextOption(ppd.get())) {
    PPDOption entry{option->keyword, option->defchoice, {}};
    for (int i = 0; i < option->num_choices; ++i) entry.choices.push_back(option->choices[i].choice);
    options->push_back(std::move(entry));
  }
  return noErr;
}

OSStatus ParsePPDFileText(const std::string& path, std::string_view text,
                          std::vector<MainKeyword>* keywords, std::vector<PPDOption>* options,
                          std::string* error) {
  int line = 0;
  std::string why;
  OSStatus status = ParsePPDMainKeywords(text, keywords, options, &line, &why);
  if (status == kPPDMalformedErr) {
    // libcups names line 0 when the file ends before its first line (an empty file).
    *error = path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + why;
  } else if (status != noErr) {
    *error = why.empty() ? std::string() : path + ": " + why;
  }
  return status;
}

}  // namespace pde::ppd
