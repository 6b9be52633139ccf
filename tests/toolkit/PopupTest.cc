// PopupTest.cc: choosing pop-up items (the command goes up first, the value follows only when
// every handler declines), and the menu calls.
#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

// Watches commands on the pane as the plug-in's relationship handler does: reads the pop-up at
// once, and again from a timer on a later pass of the run loop.
struct CommandWatch {
  ControlRef popup = nullptr;
  OSStatus result = eventNotHandledErr;
  int commands = 0;
  HICommand command{};
  SInt32 valueInHandler = 0;
  SInt32 valueInTimer = 0;
  CFRunLoopTimerRef timer = nullptr;
};

void ReadValueLater(CFRunLoopTimerRef, void* info) {
  auto* watch = static_cast<CommandWatch*>(info);
  watch->valueInTimer = GetControl32BitValue(watch->popup);
}

OSStatus WatchCommand(EventHandlerCallRef, EventRef event, void* data) {
  auto* watch = static_cast<CommandWatch*>(data);
  ++watch->commands;
  watch->valueInHandler = GetControl32BitValue(watch->popup);
  GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof(HICommand),
                    nullptr, &watch->command);
  CFRunLoopTimerContext context{};
  context.info = watch;
  watch->timer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent(), 0, 0, 0,
                                      ReadValueLater, &context);
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), watch->timer, kCFRunLoopCommonModes);
  return watch->result;
}

class PopupTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window_ = LoadTestWindow();
    ASSERT_TRUE(window_);
    popup_ = ControlNumbered(window_.get(), 2);
    menu_ = GetControlPopupMenuHandle(popup_);
    watch_.popup = popup_;
    EventTypeSpec type{kEventClassCommand, kEventCommandProcess};
    ASSERT_EQ(InstallEventHandler(GetControlEventTarget(ControlNumbered(window_.get(), 1)),
                                  WatchCommand, 1, &type, &watch_, nullptr),
              noErr);
  }
  void TearDown() override {
    if (watch_.timer) {
      CFRunLoopTimerInvalidate(watch_.timer);
      CFRelease(watch_.timer);
    }
    window_.reset();
    ToolkitTest::TearDown();
  }

  std::vector<bool> CheckMarks() const {
    std::vector<bool> marks;
    for (MenuItemIndex item = 1; item <= CountMenuItems(menu_); ++item) {
      marks.push_back(IsMenuItemChecked(menu_, item));
    }
    return marks;
  }

  WindowPtr window_;
  ControlRef popup_ = nullptr;
  MenuRef menu_ = nullptr;
  CommandWatch watch_;
};

TEST_F(PopupTest, CommandReachesThePaneBeforeThePopupTakesItsValue) {
  EXPECT_EQ(ChoosePopupItem(popup_, 3), eventNotHandledErr);

  EXPECT_EQ(watch_.commands, 1);
  EXPECT_EQ(watch_.valueInHandler, 2);
  EXPECT_EQ(watch_.command.attributes, static_cast<UInt32>(kHICommandFromMenu));
  EXPECT_EQ(watch_.command.commandID, 0u);
  EXPECT_EQ(watch_.command.menu.menuRef, menu_);
  EXPECT_EQ(watch_.command.menu.menuItemIndex, 3);
  EXPECT_EQ(GetControl32BitValue(popup_), 3);
  EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, false, true, false}));

  // The deferred reader runs on the next pass of the run loop and sees the new value.
  EXPECT_EQ(watch_.valueInTimer, 0);
  RunLoopRunOnePass();
  EXPECT_EQ(watch_.valueInTimer, 3);
}

TEST_F(PopupTest, AHandlerThatTakesTheCommandCancelsTheChoice) {
  watch_.result = noErr;
  EXPECT_EQ(ChoosePopupItem(popup_, 4), noErr);
  EXPECT_EQ(watch_.commands, 1);
  EXPECT_EQ(GetControl32BitValue(popup_), 2);
  EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, true, false, false}));
  RunLoopRunOnePass();
  EXPECT_EQ(watch_.valueInTimer, 2);
}

TEST_F(PopupTest, ChoosingTheShownItemStillSendsTheCommand) {
  EXPECT_EQ(ChoosePopupItem(popup_, 2), eventNotHandledErr);
  EXPECT_EQ(watch_.commands, 1);
  EXPECT_EQ(GetControl32BitValue(popup_), 2);
  EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, true, false, false}));
}

TEST_F(PopupTest, ImpossibleChoicesSendNothing) {
  EXPECT_EQ(ChoosePopupItem(popup_, 0), paramErr);
  EXPECT_EQ(ChoosePopupItem(popup_, 5), paramErr);
  EXPECT_EQ(ChoosePopupItem(ControlNumbered(window_.get(), 8), 1), paramErr);  // no menu
  EXPECT_EQ(ChoosePopupItem(ControlNumbered(window_.get(), 3), 1), paramErr);  // a field
  DisableControl(ControlNumbered(window_.get(), 1));
  EXPECT_EQ(ChoosePopupItem(popup_, 3), kControlDisabledStatus);
  EXPECT_EQ(watch_.commands, 0);
  EXPECT_EQ(GetControl32BitValue(popup_), 2);

  EnableControl(ControlNumbered(window_.get(), 1));
  FailAllocations("Event", 1);
  EXPECT_EQ(ChoosePopupItem(popup_, 3), memFullErr);
  EXPECT_EQ(watch_.commands, 0);
  EXPECT_EQ(GetControl32BitValue(popup_), 2);
}

TEST_F(PopupTest, MenuItemTextsAndCheckMarks) {
  const char* texts[] = {"Normal", "Proof", "Private", "Hold"};
  for (MenuItemIndex item = 1; item <= 4; ++item) {
    CFStringRef text = nullptr;
    ASSERT_EQ(CopyMenuItemTextAsCFString(menu_, item, &text), noErr);
    CFPtr<CFStringRef> owned(text);
    EXPECT_EQ(ToUTF8(text), texts[item - 1]);
    EXPECT_EQ(CFGetRetainCount(text), 1);
  }
  CFStringRef text = nullptr;
  EXPECT_EQ(CopyMenuItemTextAsCFString(menu_, 0, &text), menuItemNotFoundErr);
  EXPECT_EQ(CopyMenuItemTextAsCFString(menu_, 5, &text), menuItemNotFoundErr);
  InjectFailure("CopyMenuItemTextAsCFString", -108);
  EXPECT_EQ(CopyMenuItemTextAsCFString(menu_, 1, &text), -108);
  FailAllocations("CFString", 1);
  EXPECT_EQ(CopyMenuItemTextAsCFString(menu_, 1, &text), memFullErr);
  EXPECT_EQ(text, nullptr);

  CheckMenuItem(menu_, 2, false);
  CheckMenuItem(menu_, 4, true);
  CheckMenuItem(menu_, 5, true);
  CheckMenuItem(menu_, 0, true);
  EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, false, false, true}));
}

}  // namespace
}  // namespace pde::test
