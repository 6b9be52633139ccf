// InputFileCache.h: what a layer made of a file from outside (a compiled PPD, a checked nib),
// kept so that the file is not read and made again while it has not changed.
//
// Every look-up opens the file as ReadInputFile does, so a file that was deleted, made unreadable
// or replaced by something other than a regular file fails exactly as a first read would. What
// was made is served only for the same file (device and inode) with the same size, modification
// time and inode change time. A file whose times are too recent to tell it from a rewrite within
// the same clock tick is not trusted on its stamp alone: its bytes are kept and compared on each
// look-up until its times are old enough. Failures are never kept.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "pde/InputFiles.h"

namespace pde {

// The most a cache keeps; the least recently used entries go first.
struct InputFileCacheLimits {
  std::size_t entries;
  std::size_t bytes;  // what the kept values report as their size, and any bytes kept to compare
};

struct InputFileCacheStatistics {
  std::size_t entries = 0;
  std::size_t bytes = 0;
  long made = 0;    // files read and made afresh
  long served = 0;  // look-ups answered with what was kept
};

// A cache of values of one kind, safe to use from several threads.
class InputFileCache {
 public:
  using Value = std::shared_ptr<const void>;
  // Makes the value of a file's bytes; null when the bytes are refused (the maker keeps its own
  // reason). *size is set to the value's size in bytes, for the limit.
  using Make = std::function<Value(const std::string& bytes, std::size_t* size)>;

  InputFileCache(InputKind kind, InputFileCacheLimits limits);
  ~InputFileCache();
  InputFileCache(const InputFileCache&) = delete;
  InputFileCache& operator=(const InputFileCache&) = delete;

  // The value of the file at path: the one kept when the file has not changed, else made afresh
  // from its bytes with make, and kept. Null when the file cannot be read (*read says why and
  // *error is "<path>: why") or when make refuses it (*read is kRead).
  Value Get(const std::string& path, const Make& make, InputRead* read, std::string* error);

  void Clear();
  InputFileCacheStatistics Statistics() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// An InputFileCache of values of type T.
template <typename T>
class TypedInputFileCache {
 public:
  using Make = std::function<std::shared_ptr<const T>(const std::string& bytes, std::size_t* size)>;

  TypedInputFileCache(InputKind kind, InputFileCacheLimits limits) : cache_(kind, limits) {}

  // As InputFileCache::Get.
  std::shared_ptr<const T> Get(const std::string& path, const Make& make, InputRead* read,
                               std::string* error) {
    return std::static_pointer_cast<const T>(cache_.Get(
        path, [&](const std::string& bytes, std::size_t* size) { return make(bytes, size); }, read,
        error));
  }

 private:
  InputFileCache cache_;
};

// Empties every cache of kind in the process (tests and benchmarks that need a first read).
void ClearInputFileCaches(InputKind kind);
// The statistics of the caches of kind in the process, summed.
InputFileCacheStatistics InputFileCacheStatisticsOf(InputKind kind);

}  // namespace pde
