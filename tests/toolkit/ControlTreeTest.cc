// ControlTreeTest.cc: windows from nibs, embedding into a host's window, lookup, bounds, enabling.
#include <sstream>

#include "ToolkitTesting.h"

// Found by argument lookup next to Rect, for exact comparisons of bounds.
static bool operator==(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

static std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "{" << r.top << ", " << r.left << ", " << r.bottom << ", " << r.right << "}";
}

namespace pde::test {
namespace {

Rect BoundsOf(ControlRef control) {
  Rect bounds{-1, -1, -1, -1};
  GetControlBounds(control, &bounds);
  return bounds;
}

// One control in a line: kind, ID number, depth, bounds, label, value, items, text and state.
std::string Describe(const ControlSnapshot& s) {
  static const char* const kKinds[] = {"root", "pane", "popup", "field", "label", "group"};
  std::ostringstream out;
  out << kKinds[static_cast<int>(s.kind)] << " #" << s.id.id << " @" << s.depth << " " << s.bounds
      << " '" << s.label << "' " << s.value << " [";
  for (const std::string& item : s.items) out << item << (&item == &s.items.back() ? "" : ",");
  out << "] '" << s.text << "'" << (s.enabled ? "" : " disabled") << (s.focused ? " focused" : "");
  if (s.id.signature != (s.id.id != 0 ? kTestSignature : 0)) out << " (other signature)";
  return out.str();
}

// The window's controls as "#id@depth", depth first in embedding order.
std::vector<std::string> Outline(WindowRef window) {
  std::vector<std::string> outline;
  for (const ControlSnapshot& s : SnapshotWindow(window)) {
    outline.push_back("#" + std::to_string(s.id.id) + "@" + std::to_string(s.depth));
  }
  return outline;
}

using ControlTreeTest = ToolkitTest;

TEST_F(ControlTreeTest, NibWindowShowsItsDescription) {
  Rect content{}, structure{};
  EXPECT_EQ(GetWindowBounds(window_.get(), kWindowContentRgn, &content), noErr);
  EXPECT_EQ(content, (Rect{40, 60, 340, 460}));
  EXPECT_EQ(GetWindowBounds(window_.get(), kWindowStructureRgn, &structure), noErr);
  EXPECT_EQ(structure, (Rect{18, 60, 340, 460}));
  EXPECT_EQ(GetWindowBounds(window_.get(), 99, &content), errWindowRegionCodeInvalid);
  CFStringRef title = nullptr;
  ASSERT_EQ(CopyWindowTitleAsCFString(window_.get(), &title), noErr);
  CFPtr<CFStringRef> ownedTitle(title);
  EXPECT_EQ(ToUTF8(title), "Test Dialog");
  EXPECT_EQ(CFGetRetainCount(title), 1);

  std::vector<std::string> described;
  for (const ControlSnapshot& s : SnapshotWindow(window_.get())) {
    described.push_back(Describe(s));
    EXPECT_EQ(GetControlOwner(s.control), window_.get()) << described.back();
  }
  EXPECT_EQ(described, (std::vector<std::string>{
                           "pane #1 @0 {10, 10, 290, 390} '' 0 [] ''",
                           "popup #2 @1 {20, 20, 40, 200} 'Mode:' 2 [Normal,Proof,Private,Hold] ''",
                           "field #3 @1 {50, 20, 70, 120} '' 0 [] '123'",
                           "group #4 @1 {80, 20, 200, 380} 'Options' 0 [] ''",
                           "field #5 @2 {100, 30, 120, 130} '' 0 [] 'ab' disabled",
                           "label #0 @2 {130, 30, 150, 130} 'Caf\u00e9' 0 [] ''",
                           "field #6 @2 {160, 30, 180, 130} '' 0 [] ''",
                           "label #7 @0 {292, 10, 298, 100} 'Outside' 0 [] ''",
                           "popup #8 @0 {292, 200, 298, 300} '' 1 [] ''",
                       }));

  // The pop-up's check mark starts on its initial item; the one without items has no menu.
  MenuRef menu = GetControlPopupMenuHandle(Control(2));
  ASSERT_EQ(CountMenuItems(menu), 4);
  for (MenuItemIndex item = 1; item <= 4; ++item) {
    EXPECT_EQ(IsMenuItemChecked(menu, item), item == 2) << "item " << item;
  }
  EXPECT_EQ(GetControlPopupMenuHandle(Control(8)), nullptr);
  EXPECT_EQ(GetControl32BitMinimum(Control(2)), 1);
  EXPECT_EQ(GetControl32BitMaximum(Control(2)), 4);
  EXPECT_EQ(GetControl32BitMaximum(Control(8)), 0);
}

TEST_F(ControlTreeTest, EmbeddedPaneIsFoundThroughTheHostWindowAndOutlivesTheNibWindow) {
  Rect hostBounds{0, 0, 600, 800};
  WindowRef host = nullptr;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &hostBounds, &host), noErr);
  WindowPtr hostWindow(host);
  Rect paneBounds{100, 100, 500, 700};
  ControlRef hostPane = nullptr;
  ASSERT_EQ(CreateUserPaneControl(host, &paneBounds, 0, &hostPane), noErr);
  ControlRef pane = Control(1), field = Control(5), outside = Control(7);
  ControlID fieldID{kTestSignature, 5};
  ControlRef found = nullptr;
  EXPECT_EQ(GetControlByID(host, &fieldID, &found), errUnknownControl);

  // Moving the pane moves what lies inside it by the same offset; only the pane is resized.
  Rect moved{110, 110, 400, 500};
  SetControlBounds(pane, &moved);
  EXPECT_EQ(BoundsOf(pane), moved);
  EXPECT_EQ(BoundsOf(field), (Rect{200, 130, 220, 230}));
  EXPECT_EQ(BoundsOf(Control(4)), (Rect{180, 120, 300, 480}));
  EXPECT_EQ(BoundsOf(outside), (Rect{292, 10, 298, 100}));

  ASSERT_EQ(EmbedControl(pane, hostPane), noErr);
  EXPECT_EQ(GetControlByID(host, &fieldID, &found), noErr);
  EXPECT_EQ(found, field);
  EXPECT_EQ(GetControlOwner(field), host);
  EXPECT_EQ(GetControlByID(window_.get(), &fieldID, &found), errUnknownControl);
  EXPECT_EQ(Control(7), outside);
  ControlRef parent = nullptr;
  EXPECT_EQ(GetSuperControl(pane, &parent), noErr);
  EXPECT_EQ(parent, hostPane);

  // Disposing of the nib window frees exactly what stayed behind: the window, its root, the
  // label and the pop-up without a menu.
  long before = LiveToolkitObjectCount();
  window_.reset();
  EXPECT_EQ(LiveToolkitObjectCount(), before - 4);
  EXPECT_EQ(BoundsOf(field), (Rect{200, 130, 220, 230}));
  EXPECT_EQ(Outline(host), (std::vector<std::string>{"#0@0", "#1@1", "#2@2", "#3@2", "#4@2", "#5@3",
                                                     "#0@3", "#6@3"}));
}

TEST_F(ControlTreeTest, EmbeddingNeverMakesACycle) {
  ControlRef pane = Control(1), group = Control(4), popup = Control(2);
  ControlRef root = nullptr;
  ASSERT_EQ(GetRootControl(window_.get(), &root), noErr);
  EXPECT_EQ(EmbedControl(pane, pane), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(pane, group), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(group, popup), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(root, pane), paramErr);
  EXPECT_EQ(EmbedControl(group, pane), noErr);  // already there: nothing changes
  const std::vector<std::string> nib = {"#1@0", "#2@1", "#3@1", "#4@1", "#5@2",
                                        "#0@2", "#6@2", "#7@0", "#8@0"};
  EXPECT_EQ(Outline(window_.get()), nib);

  // Moving the group box to the root puts it, with its three controls, after the others.
  EXPECT_EQ(EmbedControl(group, root), noErr);
  EXPECT_EQ(Outline(window_.get()),
            (std::vector<std::string>{"#1@0", "#2@1", "#3@1", "#7@0", "#8@0", "#4@0", "#5@1",
                                      "#0@1", "#6@1"}));
  UInt16 count = 0;
  EXPECT_EQ(CountSubControls(pane, &count), noErr);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(CountSubControls(popup, &count), errControlIsNotEmbedder);
  ControlRef child = nullptr;
  EXPECT_EQ(GetIndexedSubControl(pane, 2, &child), noErr);
  EXPECT_EQ(child, Control(3));
  EXPECT_EQ(GetIndexedSubControl(pane, 3, &child), paramErr);
  EXPECT_EQ(GetIndexedSubControl(pane, 0, &child), paramErr);
}

TEST_F(ControlTreeTest, EnabledStateFollowsEmbeddersAndTakesFocusAway) {
  ControlRef pane = Control(1), group = Control(4), disabledField = Control(5), field = Control(6);
  auto focus = [&] {
    ControlRef focused = nullptr;
    EXPECT_EQ(GetKeyboardFocus(window_.get(), &focused), noErr);
    return focused;
  };
  EXPECT_EQ(SetKeyboardFocus(window_.get(), disabledField, kControlFocusNextPart),
            kControlDisabledStatus);
  EXPECT_EQ(SetKeyboardFocus(window_.get(), group, kControlFocusNextPart), paramErr);
  ASSERT_EQ(SetKeyboardFocus(window_.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(focus(), field);

  // Disabling an embedder disables what lies inside it and takes the focus from it.
  EXPECT_EQ(DisableControl(pane), noErr);
  EXPECT_FALSE(IsControlEnabled(field));
  EXPECT_FALSE(IsControlEnabled(group));
  EXPECT_EQ(focus(), nullptr);
  EXPECT_EQ(EnableControl(pane), noErr);
  EXPECT_TRUE(IsControlEnabled(field));
  EXPECT_FALSE(IsControlEnabled(disabledField));
  EXPECT_EQ(EnableControl(disabledField), noErr);
  EXPECT_TRUE(IsControlEnabled(disabledField));

  ASSERT_EQ(SetKeyboardFocus(window_.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(DisableControl(field), noErr);
  EXPECT_EQ(focus(), nullptr);
  EXPECT_EQ(EnableControl(field), noErr);
  ASSERT_EQ(SetKeyboardFocus(window_.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(SetKeyboardFocus(window_.get(), field, kControlFocusNoPart), noErr);
  EXPECT_EQ(focus(), nullptr);
}

TEST_F(ControlTreeTest, ValuesAreKeptAsGivenAndMarkTheirItem) {
  ControlRef popup = Control(2);
  MenuRef menu = GetControlPopupMenuHandle(popup);
  CheckMenuItem(menu, 2, false);
  SetControl32BitValue(popup, 4);
  EXPECT_TRUE(IsMenuItemChecked(menu, 4));
  EXPECT_FALSE(IsMenuItemChecked(menu, 2));
  for (SInt32 value : {0, 5, -1, 4}) {
    SetControl32BitValue(popup, value);
    EXPECT_EQ(GetControl32BitValue(popup), value);
  }

  // OffsetRect adds to both sides with the platform's 16-bit arithmetic.
  Rect r{10, 20, 30, 40};
  OffsetRect(&r, 5, -7);
  EXPECT_EQ(r, (Rect{3, 25, 23, 45}));
  Rect edge{0, 32760, 0, 32767};
  OffsetRect(&edge, 10, 0);
  EXPECT_EQ(edge, (Rect{0, -32766, 0, -32759}));
  OffsetRect(nullptr, 1, 1);
}

TEST_F(ControlTreeTest, NullArgumentsGiveAStatusOrANeutralValue) {
  Rect r{1, 2, 3, 4};
  ControlRef control = nullptr;
  WindowRef window = nullptr;
  ControlID id{kTestSignature, 1};
  UInt16 count = 0;
  EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, nullptr, &window), paramErr);
  EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, nullptr), paramErr);
  DisposeWindow(nullptr);
  EXPECT_EQ(GetWindowBounds(nullptr, kWindowContentRgn, &r), paramErr);
  EXPECT_EQ(CopyWindowTitleAsCFString(nullptr, nullptr), paramErr);
  EXPECT_EQ(SetWindowTitleWithCFString(nullptr, CFSTR("x")), paramErr);
  EXPECT_EQ(GetRootControl(nullptr, &control), paramErr);
  EXPECT_EQ(CreateUserPaneControl(nullptr, &r, 0, &control), paramErr);
  EXPECT_EQ(GetControlByID(nullptr, &id, &control), paramErr);
  EXPECT_EQ(GetControlID(nullptr, &id), paramErr);
  EXPECT_EQ(GetControlOwner(nullptr), nullptr);
  EXPECT_EQ(EmbedControl(nullptr, nullptr), paramErr);
  EXPECT_EQ(GetSuperControl(nullptr, &control), paramErr);
  EXPECT_EQ(CountSubControls(nullptr, &count), paramErr);
  EXPECT_EQ(GetIndexedSubControl(nullptr, 1, &control), paramErr);
  EXPECT_EQ(GetControlBounds(nullptr, &r), &r);
  EXPECT_EQ(r, (Rect{0, 0, 0, 0}));
  EXPECT_EQ(GetControlBounds(nullptr, nullptr), nullptr);
  SetControlBounds(nullptr, &r);
  EXPECT_EQ(EnableControl(nullptr), paramErr);
  EXPECT_EQ(DisableControl(nullptr), paramErr);
  EXPECT_FALSE(IsControlEnabled(nullptr));
  EXPECT_EQ(GetControl32BitValue(nullptr), 0);
  SetControl32BitValue(nullptr, 3);
  EXPECT_EQ(GetControl32BitMinimum(nullptr), 0);
  EXPECT_EQ(GetControl32BitMaximum(nullptr), 0);
  EXPECT_EQ(GetControlPopupMenuHandle(nullptr), nullptr);
  EXPECT_EQ(SetKeyboardFocus(nullptr, nullptr, 0), paramErr);
  EXPECT_EQ(GetKeyboardFocus(nullptr, &control), paramErr);
  EXPECT_EQ(CountMenuItems(nullptr), 0);
  CheckMenuItem(nullptr, 1, true);
  EXPECT_FALSE(IsMenuItemChecked(nullptr, 1));
  CFStringRef text = nullptr;
  EXPECT_EQ(CopyMenuItemTextAsCFString(nullptr, 1, &text), paramErr);
  EXPECT_EQ(GetControlEventTarget(nullptr), nullptr);
  EXPECT_EQ(GetWindowEventTarget(nullptr), nullptr);
  EXPECT_TRUE(SnapshotWindow(nullptr).empty());
  EXPECT_EQ(SnapshotControl(nullptr).control, nullptr);
  EXPECT_EQ(GetControlLabel(nullptr), "");
  EXPECT_EQ(ChoosePopupItem(nullptr, 1), paramErr);
  EXPECT_EQ(FocusControl(nullptr), paramErr);
  EXPECT_EQ(SelectText(nullptr, 0, 0), paramErr);
  EXPECT_EQ(TypeKey(nullptr, 'a'), paramErr);
  EXPECT_EQ(TypeText(nullptr, "a"), paramErr);
  EXPECT_EQ(PasteText(nullptr, CFSTR("a")), paramErr);
}

}  // namespace
}  // namespace pde::test
