// ControlTreeTest.cc: windows from nibs, embedding into a host's window, lookup, bounds, enabling.
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

using ControlTreeTest = ToolkitTest;

TEST_F(ControlTreeTest, NibWindowShowsItsDescription) {
  WindowPtr window = LoadTestWindow();
  ASSERT_TRUE(window);

  Rect content{};
  EXPECT_EQ(GetWindowBounds(window.get(), kWindowContentRgn, &content), noErr);
  EXPECT_EQ(content, (Rect{40, 60, 340, 460}));
  Rect structure{};
  EXPECT_EQ(GetWindowBounds(window.get(), kWindowStructureRgn, &structure), noErr);
  EXPECT_EQ(structure, (Rect{18, 60, 340, 460}));
  EXPECT_EQ(GetWindowBounds(window.get(), 99, &content), errWindowRegionCodeInvalid);

  CFStringRef title = nullptr;
  ASSERT_EQ(CopyWindowTitleAsCFString(window.get(), &title), noErr);
  CFPtr<CFStringRef> ownedTitle(title);
  EXPECT_EQ(ToUTF8(title), "Test Dialog");
  EXPECT_EQ(CFGetRetainCount(title), 1);

  struct Expected {
    ControlKind kind;
    SInt32 id;
    int depth;
    Rect bounds;
    std::string label;
    SInt32 value;
    std::vector<std::string> items;
    std::string text;
    bool enabled;
  };
  const std::vector<Expected> expected = {
      {ControlKind::kUserPane, 1, 0, {10, 10, 290, 390}, "", 0, {}, "", true},
      {ControlKind::kPopupButton, 2, 1, {20, 20, 40, 200}, "Mode:", 2,
       {"Normal", "Proof", "Private", "Hold"}, "", true},
      {ControlKind::kEditText, 3, 1, {50, 20, 70, 120}, "", 0, {}, "123", true},
      {ControlKind::kGroupBox, 4, 1, {80, 20, 200, 380}, "Options", 0, {}, "", true},
      {ControlKind::kEditText, 5, 2, {100, 30, 120, 130}, "", 0, {}, "ab", false},
      {ControlKind::kStaticText, 0, 2, {130, 30, 150, 130}, "Caf\u00e9", 0, {}, "", true},
      {ControlKind::kEditText, 6, 2, {160, 30, 180, 130}, "", 0, {}, "", true},
      {ControlKind::kStaticText, 7, 0, {292, 10, 298, 100}, "Outside", 0, {}, "", true},
      {ControlKind::kPopupButton, 8, 0, {292, 200, 298, 300}, "", 1, {}, "", true},
  };
  std::vector<ControlSnapshot> snapshots = SnapshotWindow(window.get());
  ASSERT_EQ(snapshots.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("control #" + std::to_string(i));
    const ControlSnapshot& s = snapshots[i];
    EXPECT_EQ(s.kind, expected[i].kind);
    EXPECT_EQ(s.id.signature, expected[i].id ? kTestSignature : 0u);
    EXPECT_EQ(s.id.id, expected[i].id);
    EXPECT_EQ(s.depth, expected[i].depth);
    EXPECT_EQ(s.bounds, expected[i].bounds);
    EXPECT_EQ(s.label, expected[i].label);
    EXPECT_EQ(s.value, expected[i].value);
    EXPECT_EQ(s.items, expected[i].items);
    EXPECT_EQ(s.text, expected[i].text);
    EXPECT_EQ(s.enabled, expected[i].enabled);
    EXPECT_FALSE(s.focused);
    EXPECT_EQ(GetControlOwner(s.control), window.get());
  }

  // The pop-up's check mark starts on its initial item; the one without items has no menu.
  MenuRef menu = GetControlPopupMenuHandle(snapshots[1].control);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(CountMenuItems(menu), 4);
  for (MenuItemIndex item = 1; item <= 4; ++item) {
    EXPECT_EQ(IsMenuItemChecked(menu, item), item == 2) << "item " << item;
  }
  EXPECT_EQ(GetControlPopupMenuHandle(snapshots[8].control), nullptr);
  EXPECT_EQ(GetControl32BitMinimum(snapshots[1].control), 1);
  EXPECT_EQ(GetControl32BitMaximum(snapshots[1].control), 4);
  EXPECT_EQ(GetControl32BitMaximum(snapshots[8].control), 0);
}

TEST_F(ControlTreeTest, EmbeddedPaneIsFoundThroughTheHostWindowAndOutlivesTheNibWindow) {
  WindowPtr nibWindow = LoadTestWindow();
  ASSERT_TRUE(nibWindow);
  Rect hostBounds{0, 0, 600, 800};
  WindowRef host = nullptr;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &hostBounds, &host), noErr);
  WindowPtr hostWindow(host);
  Rect paneBounds{100, 100, 500, 700};
  ControlRef hostPane = nullptr;
  ASSERT_EQ(CreateUserPaneControl(host, &paneBounds, 0, &hostPane), noErr);

  ControlRef pane = ControlNumbered(nibWindow.get(), 1);
  ControlRef field = ControlNumbered(nibWindow.get(), 5);
  ControlRef outside = ControlNumbered(nibWindow.get(), 7);
  ControlID fieldID{kTestSignature, 5};
  ControlRef found = nullptr;
  EXPECT_EQ(GetControlByID(host, &fieldID, &found), errUnknownControl);

  // Moving the pane moves what lies inside it by the same offset; only the pane is resized.
  Rect moved{110, 110, 400, 500};
  SetControlBounds(pane, &moved);
  EXPECT_EQ(BoundsOf(pane), moved);
  EXPECT_EQ(BoundsOf(field), (Rect{200, 130, 220, 230}));
  EXPECT_EQ(BoundsOf(ControlNumbered(nibWindow.get(), 4)), (Rect{180, 120, 300, 480}));
  EXPECT_EQ(BoundsOf(outside), (Rect{292, 10, 298, 100}));

  ASSERT_EQ(EmbedControl(pane, hostPane), noErr);
  EXPECT_EQ(GetControlByID(host, &fieldID, &found), noErr);
  EXPECT_EQ(found, field);
  EXPECT_EQ(GetControlOwner(field), host);
  EXPECT_EQ(GetControlOwner(pane), host);
  EXPECT_EQ(GetControlByID(nibWindow.get(), &fieldID, &found), errUnknownControl);
  EXPECT_EQ(ControlNumbered(nibWindow.get(), 7), outside);
  ControlRef parent = nullptr;
  EXPECT_EQ(GetSuperControl(pane, &parent), noErr);
  EXPECT_EQ(parent, hostPane);
  UInt16 count = 0;
  EXPECT_EQ(CountSubControls(hostPane, &count), noErr);
  EXPECT_EQ(count, 1);

  // Disposing of the nib window frees exactly what stayed behind: the window, its root, the
  // label and the pop-up without a menu.
  long before = LiveToolkitObjectCount();
  nibWindow.reset();
  EXPECT_EQ(LiveToolkitObjectCount(), before - 4);
  EXPECT_EQ(GetControlByID(host, &fieldID, &found), noErr);
  EXPECT_EQ(BoundsOf(found), (Rect{200, 130, 220, 230}));
  EXPECT_EQ(SnapshotWindow(host).size(), 1u + 7u);
}

TEST_F(ControlTreeTest, EmbeddingNeverMakesACycle) {
  WindowPtr window = LoadTestWindow();
  ASSERT_TRUE(window);
  ControlRef pane = ControlNumbered(window.get(), 1);
  ControlRef group = ControlNumbered(window.get(), 4);
  ControlRef popup = ControlNumbered(window.get(), 2);
  ControlRef root = nullptr;
  ASSERT_EQ(GetRootControl(window.get(), &root), noErr);

  EXPECT_EQ(EmbedControl(pane, pane), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(pane, group), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(group, popup), errControlIsNotEmbedder);
  EXPECT_EQ(EmbedControl(root, pane), paramErr);
  EXPECT_EQ(EmbedControl(group, pane), noErr);  // already there: nothing changes
  EXPECT_EQ(SnapshotWindow(window.get()).size(), 9u);
  ControlRef parent = nullptr;
  EXPECT_EQ(GetSuperControl(group, &parent), noErr);
  EXPECT_EQ(parent, pane);

  // Moving the group box to the root puts it, with its three controls, after the others.
  EXPECT_EQ(EmbedControl(group, root), noErr);
  std::vector<ControlSnapshot> snapshots = SnapshotWindow(window.get());
  ASSERT_EQ(snapshots.size(), 9u);
  EXPECT_EQ(snapshots[5].control, group);
  EXPECT_EQ(snapshots[5].depth, 0);
  EXPECT_EQ(snapshots[6].depth, 1);
  UInt16 count = 0;
  EXPECT_EQ(CountSubControls(pane, &count), noErr);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(CountSubControls(popup, &count), errControlIsNotEmbedder);
  ControlRef child = nullptr;
  EXPECT_EQ(GetIndexedSubControl(pane, 2, &child), noErr);
  EXPECT_EQ(child, ControlNumbered(window.get(), 3));
  EXPECT_EQ(GetIndexedSubControl(pane, 3, &child), paramErr);
  EXPECT_EQ(GetIndexedSubControl(pane, 0, &child), paramErr);
}

TEST_F(ControlTreeTest, EnabledStateFollowsEmbeddersAndTakesFocusAway) {
  WindowPtr window = LoadTestWindow();
  ASSERT_TRUE(window);
  ControlRef pane = ControlNumbered(window.get(), 1);
  ControlRef group = ControlNumbered(window.get(), 4);
  ControlRef disabledField = ControlNumbered(window.get(), 5);
  ControlRef field = ControlNumbered(window.get(), 6);
  ControlRef focus = nullptr;

  EXPECT_EQ(SetKeyboardFocus(window.get(), disabledField, kControlFocusNextPart),
            kControlDisabledStatus);
  EXPECT_EQ(SetKeyboardFocus(window.get(), group, kControlFocusNextPart), paramErr);
  ASSERT_EQ(SetKeyboardFocus(window.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(GetKeyboardFocus(window.get(), &focus), noErr);
  EXPECT_EQ(focus, field);

  // Disabling an embedder disables what lies inside it and takes the focus from it.
  EXPECT_EQ(DisableControl(pane), noErr);
  EXPECT_FALSE(IsControlEnabled(field));
  EXPECT_FALSE(IsControlEnabled(group));
  EXPECT_EQ(GetKeyboardFocus(window.get(), &focus), noErr);
  EXPECT_EQ(focus, nullptr);
  EXPECT_EQ(EnableControl(pane), noErr);
  EXPECT_TRUE(IsControlEnabled(field));
  EXPECT_FALSE(IsControlEnabled(disabledField));
  EXPECT_EQ(EnableControl(disabledField), noErr);
  EXPECT_TRUE(IsControlEnabled(disabledField));

  ASSERT_EQ(SetKeyboardFocus(window.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(DisableControl(field), noErr);
  EXPECT_EQ(GetKeyboardFocus(window.get(), &focus), noErr);
  EXPECT_EQ(focus, nullptr);
  EXPECT_EQ(EnableControl(field), noErr);
  ASSERT_EQ(SetKeyboardFocus(window.get(), field, kControlFocusNextPart), noErr);
  EXPECT_EQ(SetKeyboardFocus(window.get(), field, kControlFocusNoPart), noErr);
  EXPECT_EQ(GetKeyboardFocus(window.get(), &focus), noErr);
  EXPECT_EQ(focus, nullptr);
}

TEST_F(ControlTreeTest, ValuesAreKeptAsGivenAndMarkTheirItem) {
  WindowPtr window = LoadTestWindow();
  ASSERT_TRUE(window);
  ControlRef popup = ControlNumbered(window.get(), 2);
  MenuRef menu = GetControlPopupMenuHandle(popup);
  CheckMenuItem(menu, 2, false);
  SetControl32BitValue(popup, 4);
  EXPECT_EQ(GetControl32BitValue(popup), 4);
  EXPECT_TRUE(IsMenuItemChecked(menu, 4));
  EXPECT_FALSE(IsMenuItemChecked(menu, 2));
  for (SInt32 outside : {0, 5, -1}) {
    SetControl32BitValue(popup, outside);
    EXPECT_EQ(GetControl32BitValue(popup), outside);
  }
  ControlRef noMenu = ControlNumbered(window.get(), 8);
  SetControl32BitValue(noMenu, 2);
  EXPECT_EQ(GetControl32BitValue(noMenu), 2);
}

TEST(OffsetRectTest, AddsToBothSidesWithThePlatformsSixteenBitArithmetic) {
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
