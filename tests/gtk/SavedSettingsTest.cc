// SavedSettingsTest.cc: per-printer settings files: owner-only, never holding the DIN, fed back.
#include "SavedSettings.h"
#include "PaneKeywords.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

// While set, every fsync of the process is recorded in it as the (device, inode) of its file.
std::vector<std::pair<dev_t, ino_t>>* fsyncedFiles = nullptr;

extern "C" int fsync(int fd) {
  static const auto realFsync = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  struct stat info {};
  if (fsyncedFiles != nullptr && fstat(fd, &info) == 0)
    fsyncedFiles->emplace_back(info.st_dev, info.st_ino);
  return realFsync(fd);
}

namespace pde::gtk {
namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

// A fresh configuration home for each test.
class SavedSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "pde-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(home_);
  }

  std::string home_;
};

TEST_F(SavedSettingsTest, SavesOwnerOnlyWithoutTheDINAndReadsBack) {
  pdehost::OptionMap options = {{"PrintMode", "Private"}, {"DCDigit1", "4"}, {"BlankPage", "True"}};
  for (int i = 1; i <= 5; ++i) options["DINDigit" + std::to_string(i)] = std::to_string(i);
  std::string error;
  ASSERT_TRUE(SaveSettings("office-q", options, &error)) << error;

  const std::string path = home_ + "/config/pdekit/office-q.settings";
  EXPECT_EQ(SettingsPathFor("office-q"), path);
  EXPECT_EQ(ReadWholeFile(path), "BlankPage=True\nDCDigit1=4\nPrintMode=Private\n");
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(home_ + "/config/pdekit"), 0700u);

  pdehost::SettingList read;
  ASSERT_TRUE(LoadSavedSettings("office-q", &read, &error)) << error;
  const pdehost::SettingList expected = {
      {"BlankPage", "True"}, {"DCDigit1", "4"}, {"PrintMode", "Private"}};
  EXPECT_EQ(read, expected);

  // Saving again replaces the file whole and leaves no temporary file behind.
  ASSERT_TRUE(SaveSettings("office-q", {{"PrintMode", "Hold"}}, &error)) << error;
  EXPECT_EQ(ReadWholeFile(path), "PrintMode=Hold\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home_ + "/config/pdekit"),
                          std::filesystem::directory_iterator()),
            1);
}

// A DIN written by hand is not fed back; a missing file gives no settings; a malformed, FIFO or
// oversized one (pdeprint reads it when a printer is selected: it must not hang) is refused, and
// so is one that others may write to.
TEST_F(SavedSettingsTest, LoadingFeedsBackWhatAFileHoldsButTheDIN) {
  const std::string directory = home_ + "/config/pdekit/";
  std::filesystem::create_directories(directory);
  using Make = std::function<void(const std::string&)>;
  auto text = [](const char* content) {
    return [=](const std::string& p) { std::ofstream(p) << content; };
  };
  const struct {
    const char* printer;
    Make make;
    pdehost::SettingList expected;
    std::string error;  // after the file's path
  } cases[] = {
      {"q",
       text("DINDigit1=9\nDINDigit6=1\nPrintMode=Private\n"),
       {{"DINDigit6", "1"}, {"PrintMode", "Private"}},
       ""},
      {"never-used", [](const std::string&) {}, {}, ""},
      {"bad",
       text("PrintMode=Private\nno equals sign\n"),
       {},
       ":2: expected KEY=VALUE or an lpoptions line (Dest or Default)"},
      {"fifo",
       [](const std::string& p) { mkfifo(p.c_str(), 0600); },
       {},
       ": a FIFO, not a regular file"},
      {"huge",
       [](const std::string& p) {
         std::ofstream(p) << "PrintMode=Private\n";
         std::filesystem::resize_file(p, 64 * 1024 + 1);
       },
       {},
       ": larger than 65536 bytes"},
      {"shared",
       [](const std::string& p) {
         std::ofstream(p) << "PrintMode=Hold\n";
         chmod(p.c_str(), 0606);
       },
       {},
       ": others can write to it: refused as a preset"},
  };
  for (const auto& c : cases) {
    const std::string path = directory + c.printer + ".settings";
    c.make(path);
    pdehost::SettingList read = {{"stale", "1"}};
    std::string error;
    EXPECT_EQ(LoadSavedSettings(c.printer, &read, &error), c.error.empty()) << c.printer;
    EXPECT_EQ(read, c.expected) << c.printer;
    if (!c.error.empty()) {
      EXPECT_EQ(error, path + c.error);
    }
  }
  EXPECT_TRUE(pdehost::IsSecretKeyword("DINDigit5"));
  EXPECT_FALSE(pdehost::IsSecretKeyword("DINDigit0"));
  EXPECT_FALSE(pdehost::IsSecretKeyword("DCDigit1"));
}

TEST_F(SavedSettingsTest, NamesThatCannotBeFilesAreRefused) {
  const std::string names[] = {"", ".", "..", "a/b", "../q", "tab\tq", std::string(128, 'q')};
  for (const std::string& name : names) {
    EXPECT_EQ(SettingsPathFor(name), "") << name;
    std::string error;
    EXPECT_FALSE(SaveSettings(name, {{"PrintMode", "Hold"}}, &error)) << name;
    EXPECT_EQ(error, "no settings file can be named for printer \"" + name + "\"");
    pdehost::SettingList read;
    EXPECT_FALSE(LoadSavedSettings(name, &read, &error)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(home_ + "/config"));
  EXPECT_NE(SettingsPathFor(std::string(127, 'q')), "");
}

TEST_F(SavedSettingsTest, ARelativeConfigurationHomeFallsBackToTheHomeDirectory) {
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(SettingsPathFor("q"), std::string(home) + "/.config/pdekit/q.settings");
}

TEST_F(SavedSettingsTest, ASaveRemovesWhatKilledSavesLeftAndSyncsTheDirectory) {
  const std::string directory = home_ + "/config/pdekit";
  std::filesystem::create_directories(directory);
  std::filesystem::permissions(directory, std::filesystem::perms::owner_all);
  struct Case {
    const char* name;
    bool heldBySaveUnderWay;
    bool removed;
  };
  const Case cases[] = {
      {"office-q.settings.a1B2c3", false, true},  // this printer's, killed before its rename
      {"other.settings.XYZ789", false, true},     // another printer's
      {"office-q.settings.Qw3rTy", true, false},  // a save still under way
      {"office-q.settings.bak", false, false},
      {"office-q.settings.a1B2c", false, false},
      {"office-q.settings.a1B2c-", false, false},
      {".settings.a1B2c3", false, false},
      {"notes.txt", false, false},
  };
  std::vector<int> held;
  for (const Case& c : cases) {
    const int fd = open((directory + "/" + c.name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << c.name;
    if (c.heldBySaveUnderWay) {
      ASSERT_EQ(flock(fd, LOCK_EX), 0);
      held.push_back(fd);
    } else {
      close(fd);
    }
  }
  std::vector<std::pair<dev_t, ino_t>> synced;
  fsyncedFiles = &synced;
  std::string error;
  const bool saved = SaveSettings("office-q", {{"PrintMode", "Hold"}}, &error);
  fsyncedFiles = nullptr;
  for (int fd : held) close(fd);
  ASSERT_TRUE(saved) << error;
  for (const Case& c : cases) {
    EXPECT_EQ(std::filesystem::exists(directory + "/" + c.name), !c.removed) << c.name;
  }
  // The new file's data first, then the directory holding its new name.
  struct stat file {};
  struct stat dir {};
  ASSERT_EQ(stat((directory + "/office-q.settings").c_str(), &file), 0);
  ASSERT_EQ(stat(directory.c_str(), &dir), 0);
  const std::vector<std::pair<dev_t, ino_t>> expected = {{file.st_dev, file.st_ino},
                                                         {dir.st_dev, dir.st_ino}};
  EXPECT_EQ(synced, expected);
}

// Neither saved to nor loaded from: a preset there may have been planted by someone else.
TEST_F(SavedSettingsTest, AnUnsafePresetDirectoryIsRefusedForSavingAndLoading) {
  const std::string config = home_ + "/config", directory = config + "/pdekit";
  const std::string elsewhere = home_ + "/elsewhere";
  struct Case {
    const char* what;
    std::function<bool()> makeDirectory;  // false: not possible here, skipped
    std::string message;
  };
  const std::string refused = ": refused as the preset directory";
  const Case cases[] = {
      {"a file", [&] { return !!(std::ofstream(directory) << "not a directory\n"); },
       directory + ": Not a directory"},
      {"a symbolic link",
       [&] {
         std::filesystem::create_directory(elsewhere);
         std::filesystem::permissions(elsewhere, std::filesystem::perms::owner_all);
         std::filesystem::create_directory_symlink(elsewhere, directory);
         return true;
       },
       directory + ": a symbolic link" + refused},
      {"writable by others",
       [&] { return mkdir(directory.c_str(), 0700) == 0 && chmod(directory.c_str(), 0702) == 0; },
       directory + ": others can write to it" + refused},
      {"writable by its group",
       [&] { return mkdir(directory.c_str(), 0700) == 0 && chmod(directory.c_str(), 0770) == 0; },
       directory + ": others can write to it" + refused},
      {"another user's",
       [&] {
         return mkdir(directory.c_str(), 0700) == 0 && chown(directory.c_str(), 65534, 65534) == 0;
       },
       directory + ": owned by another user" + refused},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(config);
    std::filesystem::remove_all(elsewhere);
    std::filesystem::create_directory(config);
    if (!c.makeDirectory()) {
      std::cout << "cannot make a preset directory " << c.what << " here: not checked\n";
      continue;
    }
    std::string error;
    EXPECT_FALSE(SaveSettings("q", {{"PrintMode", "Hold"}}, &error)) << c.what;
    EXPECT_EQ(error, c.message) << c.what;
    EXPECT_FALSE(std::filesystem::exists(elsewhere + "/q.settings")) << c.what;
    if (std::filesystem::is_directory(directory)) {
      EXPECT_TRUE(std::filesystem::is_empty(directory)) << c.what;
      std::ofstream(directory + "/q.settings") << "PrintMode=Hold\n";
    }
    pdehost::SettingList read;
    EXPECT_FALSE(LoadSavedSettings("q", &read, &error)) << c.what;
    EXPECT_EQ(error, c.message) << c.what;
    EXPECT_TRUE(read.empty()) << c.what;
  }
}

}  // namespace
}  // namespace pde::gtk
