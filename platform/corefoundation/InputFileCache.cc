// InputFileCache.cc: values made of files from outside, kept by file and stamp, least recently
// used first out.
#include "pde/InputFileCache.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <list>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pde/TestHooks.h"

namespace pde {
namespace {

// How long after a file's last change its stamp alone is trusted: longer than the coarsest
// timestamps of the file systems a printing system keeps its files on (one second; two on FAT),
// so that a rewrite of the same size in the same tick cannot pass for the version kept.
constexpr std::int64_t kStampTrustedAfterNanoseconds = 2'000'000'000;

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Whether a version of a file read no earlier than readStart differs in stamp from any later
// version: its last change lies long enough before the read.
bool StampIsTrusted(const InputFileStamp& stamp, const timespec& readStart) {
  const std::int64_t lastChange = std::max(Nanoseconds(stamp.modified), Nanoseconds(stamp.changed));
  return Nanoseconds(readStart) - lastChange > kStampTrustedAfterNanoseconds;
}

timespec Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

struct FileKey {
  dev_t device;
  ino_t inode;
  bool operator==(const FileKey&) const = default;
};

struct FileKeyHash {
  std::size_t operator()(const FileKey& key) const {
    return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(key.inode) * 31 +
                                      static_cast<std::uint64_t>(key.device));
  }
};

}  // namespace

struct InputFileCache::State {
  struct Entry {
    FileKey key;
    InputFileStamp stamp;
    Value value;
    std::size_t size;  // the value's, plus the bytes kept
    // The file's bytes, while its stamp alone is not trusted; null once it is.
    std::shared_ptr<const std::string> bytes;
  };
  using Entries = std::list<Entry>;  // most recently used first

  InputKind kind;
  InputFileCacheLimits limits;
  mutable std::mutex mutex;
  Entries entries;
  std::unordered_map<FileKey, Entries::iterator, FileKeyHash> index;
  std::size_t bytes = 0;
  long made = 0;
  long served = 0;

  // The entry of key when it holds the version stamped so, moved to the front; null otherwise.
  Entry* Find(const FileKey& key, const InputFileStamp& stamp) {
    auto found = index.find(key);
    if (found == index.end() || !(found->second->stamp == stamp)) return nullptr;
    entries.splice(entries.begin(), entries, found->second);
    return &*found->second;
  }

  void Erase(const FileKey& key) {
    auto found = index.find(key);
    if (found == index.end()) return;
    bytes -= found->second->size;
    entries.erase(found->second);
    index.erase(found);
  }

  // Keeps entry in front, in place of any other version of its file, then lets the least recently
  // used go until the limits hold. An entry larger than the limit, or one there is no memory for,
  // is not kept.
  void Keep(Entry entry) {
    Erase(entry.key);
    if (entry.size > limits.bytes || limits.entries == 0) return;
    try {
      if (TakeAllocationFailure("InputFileCache")) throw std::bad_alloc();
      entries.push_front(std::move(entry));
      try {
        index.emplace(entries.front().key, entries.begin());
      } catch (const std::bad_alloc&) {
        entries.pop_front();
        throw;
      }
    } catch (const std::bad_alloc&) {
      return;
    }
    bytes += entries.front().size;
    while (entries.size() > limits.entries || bytes > limits.bytes) Erase(entries.back().key);
  }
};

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::pair<InputKind, InputFileCache*>> caches;
};

Registry& Caches() {
  static auto* registry = new Registry;  // outlives every static destructor
  return *registry;
}

}  // namespace

InputFileCache::InputFileCache(InputKind kind, InputFileCacheLimits limits)
    : state_(new State{kind, limits, {}, {}, {}, 0, 0, 0}) {
  Registry& registry = Caches();
  std::lock_guard lock(registry.mutex);
  registry.caches.emplace_back(kind, this);
}

InputFileCache::~InputFileCache() {
  Registry& registry = Caches();
  std::lock_guard lock(registry.mutex);
  std::erase_if(registry.caches, [this](const auto& entry) { return entry.second == this; });
}

InputFileCache::Value InputFileCache::Get(const std::string& path, const Make& make,
                                          InputRead* read, std::string* error) {
  const timespec readStart = Now();  // before the file is opened: see StampIsTrusted
  InputFile file;
  *read = file.Open(path, state_->kind, error);
  if (*read != InputRead::kRead) return nullptr;
  const InputFileStamp stamp = file.stamp();
  const FileKey key{stamp.device, stamp.inode};
  Value kept;
  std::shared_ptr<const std::string> keptBytes;
  {
    std::lock_guard lock(state_->mutex);
    if (const State::Entry* entry = state_->Find(key, stamp)) {
      if (!entry->bytes) {
        ++state_->served;
        return entry->value;
      }
      kept = entry->value;
      keptBytes = entry->bytes;
    }
  }

  std::string bytes;
  *read = file.Read(&bytes, error);
  if (*read != InputRead::kRead) return nullptr;
  const bool trusted = StampIsTrusted(stamp, readStart);
  if (keptBytes && *keptBytes == bytes) {
    std::lock_guard lock(state_->mutex);
    ++state_->served;
    State::Entry* entry = state_->Find(key, stamp);
    if (trusted && entry && entry->bytes == keptBytes) {
      entry->bytes.reset();
      entry->size -= keptBytes->size();
      state_->bytes -= keptBytes->size();
    }
    return kept;
  }

  std::size_t size = 0;
  Value value = make(bytes, &size);
  std::lock_guard lock(state_->mutex);
  ++state_->made;
  if (!value) {
    state_->Erase(key);  // an older version, or this one with other bytes: no longer of use
    return nullptr;
  }
  State::Entry entry{key, stamp, value, size, nullptr};
  if (!trusted) {
    try {
      entry.bytes = std::make_shared<const std::string>(std::move(bytes));
      entry.size += entry.bytes->size();
    } catch (const std::bad_alloc&) {
      state_->Erase(key);
      return value;
    }
  }
  state_->Keep(std::move(entry));
  return value;
}

void InputFileCache::Clear() {
  std::lock_guard lock(state_->mutex);
  state_->index.clear();
  state_->entries.clear();
  state_->bytes = 0;
}

InputFileCacheStatistics InputFileCache::Statistics() const {
  std::lock_guard lock(state_->mutex);
  return {state_->entries.size(), state_->bytes, state_->made, state_->served};
}

void ClearInputFileCaches(InputKind kind) {
  Registry& registry = Caches();
  std::lock_guard lock(registry.mutex);
  for (const auto& [cacheKind, cache] : registry.caches) {
    if (cacheKind == kind) cache->Clear();
  }
}

InputFileCacheStatistics InputFileCacheStatisticsOf(InputKind kind) {
  InputFileCacheStatistics sum;
  Registry& registry = Caches();
  std::lock_guard lock(registry.mutex);
  for (const auto& [cacheKind, cache] : registry.caches) {
    if (cacheKind != kind) continue;
    const InputFileCacheStatistics one = cache->Statistics();
    sum.entries += one.entries;
    sum.bytes += one.bytes;
    sum.made += one.made;
    sum.served += one.served;
  }
  return sum;
}

}  // namespace pde
