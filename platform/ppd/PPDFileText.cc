// PPDFileText.cc: reads a PPD file's text within the limits the parser is safe under.
#include "PPDFileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "../../host/PPDLib/PPDLib.h"

namespace pde::ppd {
namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

OSStatus Refuse(OSStatus status, const std::string& path, const std::string& why,
                std::string* error) {
  *error = path + ": " + why;
  return status;
}

// Reads at most limit + 1 bytes, so that a file grown since it was measured is still caught.
bool ReadUpTo(int fd, std::size_t limit, std::string* text) {
  text->clear();
  char chunk[65536];
  while (text->size() <= limit) {
    ssize_t count = read(fd, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) break;
    text->append(chunk, static_cast<std::size_t>(count));
  }
  return true;
}

std::size_t CountKeywordLines(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '*' && (i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r')) ++lines;
  }
  return lines;
}

bool IsGzipCompressed(const std::string& text) {
  return text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0x1f &&
         static_cast<unsigned char>(text[1]) == 0x8b;
}

}  // namespace

OSStatus ReadPPDFileText(const std::string& path, std::string* text, std::string* error) {
  if (!text || !error) return paramErr;
  // Non-blocking, so that a FIFO put in the PPD's place cannot hang the open.
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) return Refuse(kPPDFileNotFoundErr, path, std::strerror(errno), error);
  struct stat info {};
  if (fstat(file.get(), &info) != 0) {
    return Refuse(kPPDFileNotFoundErr, path, std::strerror(errno), error);
  }
  if (!S_ISREG(info.st_mode)) return Refuse(kPPDFileNotFoundErr, path, "not a file", error);
  std::string tooLarge = "larger than " + std::to_string(kMaxPPDFileSize) + " bytes";
  if (static_cast<unsigned long long>(info.st_size) > kMaxPPDFileSize) {
    return Refuse(kPPDMalformedErr, path, tooLarge, error);
  }
  text->reserve(static_cast<std::size_t>(info.st_size));
  if (!ReadUpTo(file.get(), kMaxPPDFileSize, text)) {
    return Refuse(kPPDFileNotFoundErr, path, std::strerror(errno), error);
  }
  if (text->size() > kMaxPPDFileSize) return Refuse(kPPDMalformedErr, path, tooLarge, error);
  if (IsGzipCompressed(*text)) {
    return Refuse(kPPDMalformedErr, path, "compressed PPD files are not read", error);
  }
  if (CountKeywordLines(*text) > kMaxPPDKeywordLines) {
    return Refuse(kPPDMalformedErr, path,
                  "more than " + std::to_string(kMaxPPDKeywordLines) + " keyword lines", error);
  }
  return noErr;
}

}  // namespace pde::ppd
