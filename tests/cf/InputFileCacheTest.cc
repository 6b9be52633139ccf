// InputFileCacheTest.cc: a kept value is served only for the version of the file it was made
// from; any other version is read afresh or fails as a first read of it would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "pde/InputFileCache.h"

namespace pde::test {
namespace {

// What the caches under test make of a file: a copy of its bytes, refused when they begin
// with '!'.
InputFileCache::Value CopyBytes(const std::string& bytes, std::size_t* size) {
  if (!bytes.empty() && bytes[0] == '!') return nullptr;
  *size = bytes.size();
  return std::make_shared<const std::string>(bytes);
}

struct Outcome {
  InputRead read;
  std::string value;  // the bytes made into the value; "refused" when they were refused
  std::string error;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << static_cast<int>(outcome.read) << " \"" << outcome.value << "\" \"" << outcome.error
             << '"';
}

Outcome Get(InputFileCache& cache, const std::string& path) {
  Outcome outcome{InputRead::kRead, "", ""};
  InputFileCache::Value value = cache.Get(path, CopyBytes, &outcome.read, &outcome.error);
  if (value) outcome.value = *static_cast<const std::string*>(value.get());
  if (!value && outcome.read == InputRead::kRead) outcome.value = "refused";
  return outcome;
}

// What a first read of the file gives: ReadInputFile, then the bytes made into a value.
Outcome FirstRead(const std::string& path) {
  Outcome outcome{InputRead::kRead, "", ""};
  std::string bytes;
  outcome.read = ReadInputFile(path, InputKind::kSettings, &bytes, &outcome.error);
  std::size_t size = 0;
  if (outcome.read == InputRead::kRead) outcome.value = CopyBytes(bytes, &size) ? bytes : "refused";
  return outcome;
}

void Write(const std::string& path, const std::string& text, int flags = O_TRUNC) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | flags, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
}

class InputFileCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "pde-kept-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::string File(const std::string& name) const { return directory_ + "/" + name; }

  std::string directory_;
};

struct Change {
  const char* name;
  std::function<void(const std::string& path)> apply;
  bool servesKeptValue;
};

const Change kChanges[] = {
    {"unchanged", [](const std::string&) {}, true},
    {"rewritten in place with the same size",
     [](const std::string& path) { Write(path, "version 2", 0); }, false},
    {"replaced by rename",
     [](const std::string& path) {
       Write(path + ".new", "a longer version 2");
       std::rename((path + ".new").c_str(), path.c_str());
     },
     false},
    {"rewritten and touched to the same second with another nanosecond",
     [](const std::string& path) {
       struct stat before {};
       stat(path.c_str(), &before);
       Write(path, "version 2", 0);
       timespec times[2] = {before.st_atim, before.st_mtim};
       times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
       utimensat(AT_FDCWD, path.c_str(), times, 0);
     },
     false},
    // Root reads it still, and so must the cache: its change time moved, so it is read afresh.
    {"made unreadable", [](const std::string& path) { chmod(path.c_str(), 0); }, false},
    {"deleted", [](const std::string& path) { unlink(path.c_str()); }, false},
    {"replaced by a directory",
     [](const std::string& path) {
       unlink(path.c_str());
       mkdir(path.c_str(), 0755);
     },
     false},
    {"rewritten with what is refused", [](const std::string& path) { Write(path, "!ersion 2", 0); },
     false},
};

// Once while each file's stamp is too recent to be trusted alone (its bytes are compared), once
// after it is (the stamp alone decides).
TEST_F(InputFileCacheTest, AKeptValueIsServedOnlyForTheVersionItWasMadeFrom) {
  for (const bool stampsTrusted : {false, true}) {
    SCOPED_TRACE(stampsTrusted ? "stamps trusted" : "bytes compared");
    InputFileCache cache(InputKind::kSettings, {64, 1 << 20});
    const std::string prefix = stampsTrusted ? "trusted-" : "recent-";
    for (const Change& change : kChanges) {
      Write(File(prefix + change.name), "version 1");
      ASSERT_EQ(Get(cache, File(prefix + change.name)).value, "version 1");
    }
    if (stampsTrusted) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2100));
      for (const Change& change : kChanges) Get(cache, File(prefix + change.name));
      EXPECT_EQ(cache.Statistics().bytes, std::size(kChanges) * 9) << "bytes still kept";
    }
    for (const Change& change : kChanges) change.apply(File(prefix + change.name));
    for (const Change& change : kChanges) {
      const std::string path = File(prefix + change.name);
      const long served = cache.Statistics().served;
      EXPECT_EQ(Get(cache, path), FirstRead(path)) << change.name;
      EXPECT_EQ(cache.Statistics().served - served, change.servesKeptValue ? 1 : 0) << change.name;
    }
  }
}

TEST_F(InputFileCacheTest, TheLeastRecentlyUsedGoFirstAndWhatExceedsTheLimitIsNotKept) {
  // Each 10-byte file costs 20 while its bytes are kept for comparison.
  InputFileCache cache(InputKind::kSettings, {2, 70});
  for (const char* name : {"a", "b", "c"}) Write(File(name), std::string(10, name[0]));
  Write(File("large"), std::string(40, 'l'));
  for (const char* name : {"a", "b", "a", "c", "a", "large", "large", "a"}) Get(cache, File(name));
  EXPECT_EQ(cache.Statistics().entries, 2u);
  EXPECT_EQ(cache.Statistics().bytes, 40u);
  EXPECT_EQ(cache.Statistics().made, 5) << "a, b, c, large, then large again";
  EXPECT_EQ(cache.Statistics().served, 3);
  Get(cache, File("b"));
  EXPECT_EQ(cache.Statistics().made, 6) << "b was used less recently than a, and went for c";
}

TEST_F(InputFileCacheTest, ClearingAKindEmptiesItsCachesOnly) {
  InputFileCache settings(InputKind::kSettings, {4, 1024});
  InputFileCache scripts(InputKind::kScript, {4, 1024});
  Write(File("f"), "text");
  Get(settings, File("f"));
  Get(scripts, File("f"));
  ClearInputFileCaches(InputKind::kSettings);
  EXPECT_EQ(InputFileCacheStatisticsOf(InputKind::kSettings).entries, 0u);
  EXPECT_EQ(InputFileCacheStatisticsOf(InputKind::kScript).entries, 1u);
}

}  // namespace
}  // namespace pde::test
