// NibTest.cc: nib references and windows made from them, and the refusal of malformed nibs.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"
#include "pde/InputFileCache.h"

namespace pde::test {
namespace {

using NibTest = ToolkitTest;

TEST_F(NibTest, EachWindowIsAFreshCopy) {
  IBNibRef nib = nullptr;
  ASSERT_EQ(CreateNibReferenceWithCFBundle(Bundle(), CFSTR("Test"), &nib), noErr);
  WindowRef first = nullptr;
  WindowRef second = nullptr;
  ASSERT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &first), noErr);
  ASSERT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &second), noErr);
  WindowPtr firstWindow(first), secondWindow(second);
  WindowRef unknown = nullptr;
  EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Window"), &unknown), kIBCarbonRuntimeCantFindObject);
  EXPECT_EQ(unknown, nullptr);
  DisposeNibReference(nib);

  // The windows outlive the reference and share nothing.
  SetControl32BitValue(ControlNumbered(first, 2), 4);
  EXPECT_EQ(GetControl32BitValue(ControlNumbered(second, 2)), 2);
  EXPECT_EQ(SnapshotWindow(second).size(), 9u);
}

// The nib of the first preferred localization that has one, then the development region's ("de"
// in the fixture bundle), then the one outside any .lproj folder. Localized.nib is in de.lproj,
// en.lproj and outside; Partly.nib in fr.lproj and outside.
TEST_F(NibTest, ALocalizedNibIsFoundAsLocalizedStringsAre) {
  struct Case {
    const char* nib;
    const char* language;
    const char* title;
  };
  for (const Case& c : {Case{"Localized", "en", "en"}, Case{"Localized", "de_AT.UTF-8", "de"},
                        Case{"Localized", "fr:en", "en"}, Case{"Localized", "ja", "de"},
                        Case{"Partly", "fr_CA", "fr"}, Case{"Partly", "ja:en", "base"}}) {
    setenv("LANGUAGE", c.language, 1);
    setenv("LC_ALL", "C", 1);  // adds no language of its own
    IBNibRef nib = nullptr;
    CFPtr<CFStringRef> name = MakeString(c.nib);
    ASSERT_EQ(CreateNibReferenceWithCFBundle(Bundle(), name.get(), &nib), noErr) << c.language;
    WindowRef window = nullptr;
    ASSERT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &window), noErr);
    DisposeNibReference(nib);
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyWindowTitleAsCFString(window, &title), noErr);
    EXPECT_EQ(ToUTF8(title), c.title) << c.nib << " in " << c.language;
    CFRelease(title);
    DisposeWindow(window);
  }
  unsetenv("LANGUAGE");
  unsetenv("LC_ALL");
}

std::string WindowTitle(CFBundleRef bundle) {
  IBNibRef nib = nullptr;
  WindowRef window = nullptr;
  if (CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &nib) != noErr) return "no nib";
  const OSStatus created = CreateWindowFromNib(nib, CFSTR("Dialog"), &window);
  DisposeNibReference(nib);
  if (created != noErr) return "no window";
  WindowPtr owned(window);
  CFStringRef title = nullptr;
  CopyWindowTitleAsCFString(window, &title);
  CFPtr<CFStringRef> ownedTitle(title);
  return ToUTF8(title);
}

// A nib read once is built from what was kept while its file is unchanged, and read afresh when
// it is rewritten in place.
TEST_F(NibTest, ARewrittenNibIsReadAfresh) {
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path() / ("pde-nibs-" + std::to_string(getpid()));
  std::filesystem::create_directories(copy / "Nibs.bundle");
  std::filesystem::copy(PDE_TOOLKIT_DATA_DIR "/Nibs.bundle", copy / "Nibs.bundle",
                        std::filesystem::copy_options::recursive);
  const std::filesystem::path file = copy / "Nibs.bundle/Contents/Resources/Test.nib/objects.plist";
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  {
    CFPtr<CFBundleRef> bundle = OpenBundle((copy / "Nibs.bundle").string());
    ASSERT_TRUE(bundle);
    const long made = InputFileCacheStatisticsOf(InputKind::kNib).made;
    EXPECT_EQ(WindowTitle(bundle.get()), "Test Dialog");
    EXPECT_EQ(WindowTitle(bundle.get()), "Test Dialog");
    EXPECT_EQ(InputFileCacheStatisticsOf(InputKind::kNib).made, made + 1);
    std::string rewritten = text.str();
    rewritten.replace(rewritten.find("Test Dialog"), 11, "Best Dialog");
    std::ofstream(file, std::ios::binary | std::ios::in) << rewritten;
    EXPECT_EQ(WindowTitle(bundle.get()), "Best Dialog");
    std::filesystem::remove(file);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(WindowTitle(bundle.get()), "no nib");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(": No such file"), std::string::npos);
  }
  std::filesystem::remove_all(copy);
}

TEST_F(NibTest, InjectedFailuresLeaveNothingBehind) {
  IBNibRef nib = nullptr;
  InjectFailure("CreateNibReferenceWithCFBundle", -43);
  EXPECT_EQ(CreateNibReferenceWithCFBundle(Bundle(), CFSTR("Test"), &nib), -43);
  EXPECT_EQ(nib, nullptr);
  ASSERT_EQ(CreateNibReferenceWithCFBundle(Bundle(), CFSTR("Test"), &nib), noErr);
  WindowRef window = nullptr;
  InjectFailure("CreateWindowFromNib", -44);
  EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &window), -44);
  FailAllocations("Window", 1);
  EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &window), memFullErr);
  // The fifth of the nine controls cannot be made: the four before it go with the window.
  long live = LiveToolkitObjectCount();
  FailAllocations("Control", 1, 4);
  EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &window), memFullErr);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(LiveToolkitObjectCount(), live);
  DisposeNibReference(nib);

  Rect bounds{0, 0, 10, 10};
  FailAllocations("Window", 1);
  EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &bounds, &window), memFullErr);
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &bounds, &window), noErr);
  WindowPtr owned(window);
  ControlRef pane = nullptr;
  FailAllocations("Control", 1);
  EXPECT_EQ(CreateUserPaneControl(window, &bounds, 0, &pane), memFullErr);
  Rect content{};
  InjectFailure("GetWindowBounds", -5614);
  EXPECT_EQ(GetWindowBounds(window, kWindowContentRgn, &content), -5614);
  CFStringRef title = nullptr;
  InjectFailure("CopyWindowTitleAsCFString", -108);
  EXPECT_EQ(CopyWindowTitleAsCFString(window, &title), -108);
  EXPECT_EQ(title, nullptr);
  ControlRef root = nullptr;
  GetRootControl(window, &root);
  ControlID id{0, 0};
  InjectFailure("GetControlByID", -30584);
  EXPECT_EQ(GetControlByID(window, &id, &pane), -30584);
  ASSERT_EQ(CreateUserPaneControl(window, &bounds, 0, &pane), noErr);
  ControlRef inner = nullptr;
  ASSERT_EQ(CreateUserPaneControl(window, &bounds, 0, &inner), noErr);
  InjectFailure("EmbedControl", -1);
  EXPECT_EQ(EmbedControl(inner, pane), -1);
  ControlRef parent = nullptr;
  GetSuperControl(inner, &parent);
  EXPECT_EQ(parent, root);
}

struct MalformedNib {
  const char* name;
  const char* message;  // what stderr says after the file's path
};

class MalformedNibTest : public ToolkitTest, public ::testing::WithParamInterface<MalformedNib> {};

TEST_P(MalformedNibTest, IsRefusedWithItsFileAndTheFault) {
  const MalformedNib& bad = GetParam();
  CFPtr<CFStringRef> name = MakeString(bad.name);
  IBNibRef nib = nullptr;
  ::testing::internal::CaptureStderr();
  OSStatus status = CreateNibReferenceWithCFBundle(Bundle(), name.get(), &nib);
  std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, kIBCarbonRuntimeCantFindNibFile);
  EXPECT_EQ(nib, nullptr);
  std::string file =
      BundlePath(Bundle()) + "/Contents/Resources/" + bad.name + ".nib/objects.plist";
  EXPECT_EQ(printed.rfind(file + ": ", 0), 0u) << printed;
  EXPECT_NE(printed.find(bad.message), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, MalformedNibTest,
    ::testing::Values(
        MalformedNib{"Absent", "No such file or directory"},
        MalformedNib{"NotAPlist", "malformed property list"},
        MalformedNib{"Truncated", "malformed property list"},
        MalformedNib{"NoWindows", "unknown key \"Dialogs\""},
        MalformedNib{"UnknownKind", "Windows/Window/Controls[0]/Kind: unknown kind \"Slider\""},
        MalformedNib{"UnknownKey", "Windows/Window/Controls[0]: unknown key \"Lable\""},
        MalformedNib{"BoundsOutOfRange",
                     "Windows/Window/Controls[0]/Bounds[2]: 40000 is outside -32768..32767"},
        MalformedNib{"ThreeSides", "Controls[0]/Bounds: not an array of four integers"},
        MalformedNib{"UpsideDown", "Controls[0]/Bounds: bottom lies above top"},
        MalformedNib{"ValueOutsideMenu", "Controls[0]/Value: 3 is outside 1..2"},
        MalformedNib{"ShortSignature", "Controls[0]/ID/Signature: not four characters"},
        MalformedNib{"TextOnPopup", "Controls[0]/Text: only an EditText has text"},
        MalformedNib{"EnabledNotBoolean", "Controls[0]/Enabled: not a Boolean"},
        MalformedNib{"ItemNotString", "Controls[0]/Items[1]: not a string"},
        MalformedNib{"TooDeep", "controls nested deeper than 16"}),
    [](const ::testing::TestParamInfo<MalformedNib>& info) {
      return std::string(info.param.name);
    });

TEST_F(NibTest, NamesThatAreNotPlainNibNamesAreRefused) {
  for (const char* name : {"../Resources/Test", "Test.nib/..", "", "..", "a/b"}) {
    CFPtr<CFStringRef> nibName = MakeString(name);
    IBNibRef nib = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(CreateNibReferenceWithCFBundle(Bundle(), nibName.get(), &nib),
              kIBCarbonRuntimeCantFindNibFile)
        << name;
    ::testing::internal::GetCapturedStderr();
  }
  IBNibRef nib = nullptr;
  EXPECT_EQ(CreateNibReferenceWithCFBundle(nullptr, CFSTR("Test"), &nib), paramErr);
  EXPECT_EQ(CreateNibReferenceWithCFBundle(Bundle(), nullptr, &nib), paramErr);
  EXPECT_EQ(CreateNibReferenceWithCFBundle(Bundle(), CFSTR("Test"), nullptr), paramErr);
  WindowRef window = nullptr;
  EXPECT_EQ(CreateWindowFromNib(nullptr, CFSTR("Dialog"), &window), paramErr);
  DisposeNibReference(nullptr);
}

}  // namespace
}  // namespace pde::test
