// InputFiles.cc: the reader of files from outside, with one size limit per kind.
#include "pde/InputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include "pde/TestHooks.h"
#include "pde/FileDescriptor.h"

namespace pde {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;

const char* FileTypeName(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

constexpr std::size_t kMaxRefusalsKept = 64;

struct Refusals {
  std::mutex mutex;
  std::vector<std::string> messages;
};

Refusals& RefusalRecord() {
  static auto* record = new Refusals;  // outlives every static destructor
  return *record;
}

InputRead Fail(InputRead outcome, const std::string& path, const std::string& why,
               std::string* error) {
  *error = path + ": " + why;
  if (outcome != InputRead::kOutOfMemory) RecordRefusedInputFile(*error);
  return outcome;
}

// Appends what is left of the file to *bytes, at most limit + 1 bytes in all, so that a file
// that grew since it was measured is still caught. False with errno set on a read error.
bool ReadRest(int fd, std::size_t limit, std::string* bytes) {
  char chunk[65536];
  while (bytes->size() <= limit) {
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) break;
    bytes->append(chunk, static_cast<std::size_t>(count));
  }
  return true;
}

std::string TooLarge(InputKind kind) {
  return "larger than " + std::to_string(MaxInputFileSize(kind)) + " bytes";
}

}  // namespace

std::size_t MaxInputFileSize(InputKind kind) {
  switch (kind) {
    case InputKind::kPPD:
      return 8 * kMiB;
    case InputKind::kPreset:
      return 64 * 1024;
    case InputKind::kInfoPlist:
    case InputKind::kStringsTable:
    case InputKind::kNib:
    case InputKind::kScript:
    case InputKind::kSettings:
      break;
  }
  return kMiB;
}

bool InputFileStamp::operator==(const InputFileStamp& other) const {
  auto same = [](const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  };
  return device == other.device && inode == other.inode && size == other.size &&
         same(modified, other.modified) && same(changed, other.changed);
}

InputRead InputFile::Open(const std::string& path, InputKind kind, std::string* error) {
  path_ = path;
  kind_ = kind;
  fd_.Reset(-1);
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) return Fail(InputRead::kUnreadable, path, std::strerror(errno), error);
  struct stat status {};
  if (fstat(file.get(), &status) != 0) {
    return Fail(InputRead::kUnreadable, path, std::strerror(errno), error);
  }
  if (!S_ISREG(status.st_mode)) {
    return Fail(InputRead::kUnreadable, path,
                std::string(FileTypeName(status.st_mode)) + ", not a regular file", error);
  }
  if (static_cast<unsigned long long>(status.st_size) > MaxInputFileSize(kind)) {
    return Fail(InputRead::kTooLarge, path, TooLarge(kind), error);
  }
  stamp_ = {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
  fd_.Reset(file.Release());
  return InputRead::kRead;
}

InputRead InputFile::Read(std::string* bytes, std::string* error) {
  bytes->clear();
  const FileDescriptor file(fd_.Release());  // closed when the read is over, whatever its outcome
  auto fail = [&](InputRead outcome, const std::string& why) {
    std::string().swap(*bytes);
    return Fail(outcome, path_, why, error);
  };
  if (file.get() < 0) return fail(InputRead::kUnreadable, "not open");
  const std::size_t limit = MaxInputFileSize(kind_);
  try {
    if (TakeAllocationFailure("InputFile")) throw std::bad_alloc();
    bytes->reserve(static_cast<std::size_t>(stamp_.size));
    if (!ReadRest(file.get(), limit, bytes))
      return fail(InputRead::kUnreadable, std::strerror(errno));
  } catch (const std::bad_alloc&) {
    return fail(InputRead::kOutOfMemory, "out of memory");
  }
  if (bytes->size() > limit) return fail(InputRead::kTooLarge, TooLarge(kind_));
  return InputRead::kRead;
}

InputRead ReadInputFile(const std::string& path, InputKind kind, std::string* bytes,
                        std::string* error) {
  bytes->clear();
  InputFile file;
  const InputRead opened = file.Open(path, kind, error);
  return opened == InputRead::kRead ? file.Read(bytes, error) : opened;
}

void RecordRefusedInputFile(const std::string& message) {
  Refusals& record = RefusalRecord();
  std::lock_guard lock(record.mutex);
  if (record.messages.size() < kMaxRefusalsKept) record.messages.push_back(message);
}

std::vector<std::string> RefusedInputFiles() {
  Refusals& record = RefusalRecord();
  std::lock_guard lock(record.mutex);
  return record.messages;
}

}  // namespace pde
