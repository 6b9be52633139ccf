// HostileInputTest.cc: hostile files given to every reader, and hostile executables given to the
// bundle loader, each through pdehost as a user runs it: a message naming the file and the
// reason, exit status 2, never a hang, a flood of memory or a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "pde/InputFiles.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct HostRun {
  int exitStatus;
  std::string err;
  std::string out;
};

// A scratch directory with a copy of the bundle, removed after each test.
class HostileInput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("hostile-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    RestoreBundle();
    WriteAll(dir_ / "summary.session", "summary\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path bundle() const { return dir_ / "Copy.plugin"; }
  // A fresh copy of the built bundle, whatever a case did to the last one.
  void RestoreBundle() const {
    fs::remove_all(bundle());
    fs::copy(ZORPDE_BUNDLE_PATH, bundle(), fs::copy_options::recursive);
  }

  // pdehost with arguments (after --quiet unless told not to) and more environment variables
  // ("NAME=VALUE ..."), at most 20 seconds, in the C locale; its standard error and output.
  HostRun RunHost(const std::string& arguments, bool quiet = true,
                  const std::string& environment = "") const {
    const fs::path err = dir_ / "stderr.txt";
    const fs::path out = dir_ / "stdout.txt";
    const std::string command = environment + " LC_ALL=C LANGUAGE= timeout 20 " PDEHOST_PROGRAM +
                                std::string(quiet ? " --quiet " : " ") + arguments + " >" +
                                out.string() + " 2>" + err.string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadAll(err),
            ReadAll(out)};
  }

  // Replaces the first `original` in the copy's file with `replacement`.
  void Edit(const std::string& file, const std::string& original,
            const std::string& replacement) const {
    std::string text = ReadAll(bundle() / file);
    const std::size_t at = text.find(original);
    ASSERT_NE(at, std::string::npos) << file << " holds no " << original;
    WriteAll(bundle() / file, text.replace(at, original.size(), replacement));
  }

  fs::path dir_;
};

constexpr char kNib[] = "Contents/Resources/PDE.nib/objects.plist";
constexpr char kStrings[] = "Contents/Resources/en.lproj/Localizable.strings";

// What is put where a file belongs, and the reason it is refused for.
struct Hostility {
  const char* name;
  std::function<void(const fs::path&, std::size_t limit)> make;
  std::string why;  // for an oversized file: filled in from the limit
};

const Hostility kHostilities[] = {
    {"a FIFO", [](const fs::path& p, std::size_t) { mkfifo(p.c_str(), 0600); },
     "a FIFO, not a regular file"},
    {"a link to /dev/zero",
     [](const fs::path& p, std::size_t) { fs::create_symlink("/dev/zero", p); },
     "a character device, not a regular file"},
    {"a directory", [](const fs::path& p, std::size_t) { fs::create_directory(p); },
     "a directory, not a regular file"},
    {"one byte over the limit",
     [](const fs::path& p, std::size_t limit) {
       WriteAll(p, "");
       fs::resize_file(p, limit + 1);
     },
     ""},
};

// Every reader of outside files: where its file goes (in the scratch directory) and the option
// that makes pdehost read it, if the bundle does not.
struct Reader {
  const char* name;
  pde::InputKind kind;
  const char* file;
  const char* option;
};

const Reader kReaders[] = {
    {"Info.plist", pde::InputKind::kInfoPlist, "Copy.plugin/Contents/Info.plist", ""},
    {"strings table", pde::InputKind::kStringsTable,
     "Copy.plugin/Contents/Resources/en.lproj/Localizable.strings", ""},
    {"nib", pde::InputKind::kNib, "Copy.plugin/Contents/Resources/PDE.nib/objects.plist", ""},
    {"PPD", pde::InputKind::kPPD, "printer.ppd", "--ppd"},
    {"script", pde::InputKind::kScript, "hostile.session", "--script"},
    {"settings", pde::InputKind::kSettings, "hostile.settings", "--settings"},
};

TEST_F(HostileInput, EveryReaderRefusesEveryHostileFileByNameWithExitStatus2) {
  for (const Reader& reader : kReaders) {
    for (const Hostility& hostility : kHostilities) {
      const fs::path file = dir_ / reader.file;
      std::string arguments =
          "--bundle " + bundle().string() + " --script " + (dir_ / "summary.session").string();
      if (*reader.option) arguments += std::string(" ") + reader.option + " " + file.string();
      fs::remove(file);
      const std::size_t limit = pde::MaxInputFileSize(reader.kind);
      hostility.make(file, limit);
      const std::string why =
          hostility.why.empty() ? "larger than " + std::to_string(limit) + " bytes" : hostility.why;
      const HostRun run = RunHost(arguments);
      const std::string label = std::string(reader.name) + " as " + hostility.name;
      EXPECT_EQ(run.exitStatus, 2) << label << "\n" << run.err;
      EXPECT_NE(run.err.find(file.string() + ": " + why), std::string::npos) << label << "\n"
                                                                             << run.err;
      fs::remove_all(file);
      RestoreBundle();
    }
  }
}

// A PPD the PPD library cannot read is bad input with its line, not a printer the pane declines.
TEST_F(HostileInput, APPDThePPDLibraryRefusesIsBadInputWithItsLine) {
  const struct {
    const char* name;
    std::string text;
    std::string message;  // after "<file>"
  } ppds[] = {
      {"empty", "", ": Missing PPD-Adobe-4.x header"},
      {"garbage", "garbage\n", ":1: Missing asterisk in column 1"},
      {"a long line", "*PPD-Adobe: \"4.3\"\n*ModelName: \"" + std::string(300, 'a') + "\"\n",
       ":2: Line longer than the maximum allowed (255 characters)"},
      {"a repeated *NickName (libcups would leak the first)",
       "*PPD-Adobe: \"4.3\"\r\n*NickName: \"a\"\r\n*ModelName: \"m\"\r\n*NickName: \"b\"\r\n",
       ":4: *NickName given again (first on line 2)"},
  };
  for (const auto& ppd : ppds) {
    const fs::path file = dir_ / "printer.ppd";
    WriteAll(file, ppd.text);
    const HostRun run = RunHost("--ppd " + file.string());
    EXPECT_EQ(run.exitStatus, 2) << ppd.name << "\n" << run.err;
    EXPECT_EQ(run.err, "pdehost: " + file.string() + ppd.message + "\n") << ppd.name;
  }
}

TEST_F(HostileInput, TheLoaderRefusesExecutablesItCannotSafelyMapByNameAndReason) {
  const fs::path macOS = bundle() / "Contents/MacOS";
  const fs::path executable = macOS / "ZORPDE";
  const std::string plist = ReadAll(bundle() / "Contents/Info.plist");
  auto name = [&](const std::string& executableName) {
    std::string text = plist;
    const std::string original = "<string>ZORPDE</string>";
    text.replace(text.find(original), original.size(), "<string>" + executableName + "</string>");
    WriteAll(bundle() / "Contents/Info.plist", text);
  };
  const std::string outside = "../../../../../../../../usr/lib/x86_64-linux-gnu/libz.so.1";
  const struct {
    const char* name;
    std::function<void()> make;
    std::string file;  // relative to Contents/MacOS
    std::string why;
  } executables[] = {
      {"truncated", [&] { WriteAll(executable, ReadAll(executable).substr(0, 2000)); }, "ZORPDE",
       "a truncated ELF file (a loadable segment ends beyond the file)"},
      {"a path out of the bundle", [&] { name(outside); }, outside,
       "outside the bundle's Contents/MacOS"},
      {"a link out of the bundle",
       [&] {
         fs::remove(executable);
         fs::create_symlink("/usr/lib/x86_64-linux-gnu/libz.so.1", executable);
       },
       "ZORPDE", "outside the bundle's Contents/MacOS"},
      {"not ELF", [&] { WriteAll(executable, "#!/bin/sh\n"); }, "ZORPDE", "not an ELF file"},
      {"a FIFO",
       [&] {
         fs::remove(executable);
         mkfifo(executable.c_str(), 0700);
       },
       "ZORPDE", "not a regular file"},
      {"empty name", [&] { name(""); }, "", "the executable name is empty"},
  };
  for (const auto& bad : executables) {
    bad.make();
    const HostRun run = RunHost("--bundle " + bundle().string());
    EXPECT_EQ(run.exitStatus, 2) << bad.name << "\n" << run.err;
    const std::string prefix = "CFBundleLoadExecutable: " + (macOS / bad.file).string() + ": ";
    EXPECT_EQ(run.err.rfind(prefix + bad.why, 0), 0u) << bad.name << "\n" << run.err;
    RestoreBundle();
  }
}

// A factory name in the property list names a function of the bundle's own executable, never
// one of a library it depends on, which a look-up through its handle would also find.
TEST_F(HostileInput, AFactoryIsTheBundlesOwnFunctionOrRefused) {
  for (const std::string name : {"exit", "free", "system"}) {
    Edit("Contents/Info.plist", "<string>CreatePDEFactory</string>",
         "<string>" + name + "</string>");
    const HostRun run = RunHost("--bundle " + bundle().string());
    EXPECT_EQ(run.exitStatus, 2) << name << "\n" << run.err;
    EXPECT_NE(run.err.find("CFPlugInInstanceCreate: " + bundle().string() + ": " + name +
                           " is not the bundle executable's own function ("),
              std::string::npos)
        << name << "\n"
        << run.err;
    RestoreBundle();
  }
}

// One of the nib's controls as the nib file gives it: kind, ID and the rest of its keys.
std::string NibControl(const std::string& kind, int id, const std::string& more = "") {
  return "<dict><key>Kind</key><string>" + kind +
         "</string><key>Bounds</key><array><integer>52</integer><integer>200</integer>"
         "<integer>72</integer><integer>270</integer></array><key>ID</key><dict>"
         "<key>Signature</key><string>zor </string><key>Number</key><integer>" +
         std::to_string(id) + "</integer></dict>" + more + "</dict>";
}

// The bundle's nib and strings table refused: a nib without the controls the pane relies on,
// with its path and the control, not as a printer the pane declines; a file a reader refuses.
// Exit status 2 either way.
TEST_F(HostileInput, ABrokenNibOrStringsTableIsRefusedWithExitStatus2) {
  const std::string din = NibControl("EditText", 6, "<key>Text</key><string></string>");
  const std::string items3 =
      "<key>Items</key><array><string>a</string><string>b</string><string>c</string></array>";
  const auto replaceDin = [&](const std::string& with) {
    return [=, this] {
      const std::string text = ReadAll(bundle() / kNib);
      const std::size_t id = text.find("<integer>6</integer>");
      const std::size_t start = text.rfind("<dict>", text.rfind("<key>Kind</key>", id));
      const std::size_t end = text.find("</dict>", text.find("<key>Enabled</key>", id)) + 7;
      WriteAll(bundle() / kNib, text.substr(0, start) + with + text.substr(end));
    };
  };
  const std::string broken = ": the bundle's nib is broken: ";
  const struct {
    const char* name;
    std::function<void()> make;
    std::string message;  // after the file's path
    const char* file;
  } cases[] = {
      {"control 6 a pop-up", replaceDin(NibControl("PopupButton", 6, items3)),
       broken + "control 6 (DIN) is a pop-up menu, not an edit-text field", kNib},
      {"control 6 a static text", replaceDin(NibControl("StaticText", 6)),
       broken + "control 6 (DIN) is a static text, not an edit-text field", kNib},
      {"control 6 a user pane", replaceDin(NibControl("UserPane", 6)),
       broken + "control 6 (DIN) is a user pane, not an edit-text field", kNib},
      {"control 6 twice", replaceDin(din + din),
       broken + "control 6 (DIN) is there 2 times, not once", kNib},
      {"control 6 missing", replaceDin(""), broken + "control 6 (DIN) is missing", kNib},
      {"a print mode of three items", [&] { Edit(kNib, "<string>Hold</string>", ""); },
       broken + "control 5 (PrintMode) has 3 menu items, not 4", kNib},
      {"a malformed nib", [&] { WriteAll(bundle() / kNib, "<plist>"); }, ": ", kNib},
      {"a malformed strings table", [&] { Edit(kStrings, "\"DIN\" = ", "\"DIN\" "); }, ":",
       kStrings},
  };
  for (const auto& c : cases) {
    c.make();
    const HostRun run = RunHost("--bundle " + bundle().string() + " --script " +
                                (dir_ / "summary.session").string());
    EXPECT_EQ(run.exitStatus, 2) << c.name << "\n" << run.err;
    EXPECT_NE(run.err.find((bundle() / c.file).string() + c.message), std::string::npos)
        << c.name << "\n"
        << run.err;
    EXPECT_EQ(run.err.find("declined"), std::string::npos) << c.name << "\n" << run.err;
    RestoreBundle();
  }
}

// Titles from the strings table reach standard output escaped: no terminal control, no
// forged summary row.
TEST_F(HostileInput, SummaryTextsAreEscapedOnStandardOutput) {
  Edit(kStrings, "\"Print Mode\"", "\"Mode\\U001B[2J\\U0007\\nDIN: 00000\"");
  const HostRun run = RunHost(
      "--bundle " + bundle().string() + " --script " + (dir_ / "summary.session").string(), false);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out,
            "Mode\\x1B[2J\\x07\\x0ADIN: 00000: Normal\n"
            "Blank Pages: Off\n"
            "Distinguish Thin Lines: Off\n");
}

// Code is loaded only from a plug-in directory and a bundle that no one but their owner, the
// caller or root, may change.
TEST_F(HostileInput, AnUntrustedPlugInDirectoryOrBundleIsRefused) {
  const fs::path plugins = dir_ / "plugins";
  const fs::path copy = plugins / "ZORPDE.plugin";
  const std::string refused = ": refused as a plug-in";
  const struct {
    const char* name;
    std::function<bool()> make;  // false: not possible here, skipped
    std::string message;
  } cases[] = {
      {"a plug-in directory others can write to", [&] { return chmod(plugins.c_str(), 0777) == 0; },
       plugins.string() + ": others can write to it: refused as the plug-in directory"},
      {"a bundle of another user", [&] { return chown(copy.c_str(), 65534, 65534) == 0; },
       copy.string() + ": owned by another user (uid 65534)" + refused},
      {"an executable others can write to",
       [&] { return chmod((copy / "Contents/MacOS/ZORPDE").c_str(), 0757) == 0; },
       (copy / "Contents/MacOS/ZORPDE").string() + ": others can write to it" + refused},
  };
  for (const auto& c : cases) {
    fs::remove_all(plugins);
    fs::create_directory(plugins);
    fs::copy(ZORPDE_BUNDLE_PATH, copy, fs::copy_options::recursive);
    if (!c.make()) {
      std::cout << "cannot make " << c.name << " here: not checked\n";
      continue;
    }
    const HostRun run = RunHost("", true, "PDE_PLUGIN_DIR=" + plugins.string());
    EXPECT_EQ(run.exitStatus, 2) << c.name << "\n" << run.err;
    EXPECT_EQ(run.err, "pdehost: " + c.message + "\n") << c.name;
  }
}

}  // namespace
