// Executable.cc: a bundle's executable confined to its Contents/MacOS and checked as an ELF file
// whose segments the loader can map.
#include "Executable.h"

#include <elf.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pde/FileDescriptor.h"

namespace pde::cf {
namespace {

#if defined(__x86_64__)
constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kMachine = EM_AARCH64;
#else
#error "the bundle loader knows no ELF machine for this processor"
#endif


std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) == nullptr ? std::string() : std::string(resolved);
}

// Reads exactly size bytes at offset; false on a short read or an error.
bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  auto* bytes = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t count = pread(fd, bytes, size, static_cast<off_t>(offset));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes += count;
    offset += static_cast<std::uint64_t>(count);
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

// True when [offset, offset + length) lies within a file of fileSize bytes.
bool WithinFile(std::uint64_t offset, std::uint64_t length, std::uint64_t fileSize) {
  return offset <= fileSize && length <= fileSize - offset;
}

// Why the open file of fileSize bytes is no ELF shared object the loader can map; empty when
// it is one.
std::string ElfProblem(int fd, std::uint64_t fileSize) {
  Elf64_Ehdr header{};
  if (!ReadAt(fd, &header, sizeof header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    return "not an ELF file";
  }
  if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_machine != kMachine) {
    return "an ELF file for another machine";
  }
  if (header.e_type != ET_DYN) return "an ELF file but not a shared object";
  if (header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum == 0 ||
      !WithinFile(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr), fileSize)) {
    return "an ELF file whose program headers are not within the file";
  }
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  if (!ReadAt(fd, segments.data(), segments.size() * sizeof(Elf64_Phdr), header.e_phoff)) {
    return "an ELF file whose program headers cannot be read";
  }
  bool loadable = false;
  for (const Elf64_Phdr& segment : segments) {
    if (segment.p_type != PT_LOAD) continue;
    loadable = true;
    if (!WithinFile(segment.p_offset, segment.p_filesz, fileSize)) {
      return "a truncated ELF file (a loadable segment ends beyond the file)";
    }
  }
  return loadable ? std::string() : "an ELF file without a loadable segment";
}

}  // namespace

std::string CheckedExecutablePath(const std::string& bundleDirectory, const std::string& name,
                                  std::string* why) {
  const std::string macOS = Canonical(bundleDirectory + "/Contents/MacOS");
  const std::string given = bundleDirectory + "/Contents/MacOS/" + name;
  auto refuse = [&](const std::string& file, const std::string& reason) {
    *why = file + ": " + reason;
    return std::string();
  };
  if (name.empty()) return refuse(given, "the executable name is empty");
  const std::string path = Canonical(given);
  if (path.empty()) return refuse(given, std::strerror(errno));
  if (macOS.empty() || path.compare(0, macOS.size() + 1, macOS + "/") != 0) {
    return refuse(given, "outside the bundle's Contents/MacOS (it is " + path + ")");
  }
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) return refuse(path, std::strerror(errno));
  struct stat status {};
  if (fstat(file.get(), &status) != 0) return refuse(path, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) return refuse(path, "not a regular file");
  std::string problem = ElfProblem(file.get(), static_cast<std::uint64_t>(status.st_size));
  if (!problem.empty()) return refuse(path, problem);
  return path;
}

}  // namespace pde::cf
