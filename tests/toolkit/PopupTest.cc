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
  if (watch->timer == nullptr) {
    CFRunLoopTimerContext context{};
    context.info = watch;
    watch->timer =
        CFRunLoopTimerCreate(kCFAllocatorDefault, 0, 1.0e9, 0, 0, ReadValueLater, &context);
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), watch->timer, kCFRunLoopCommonModes);
  }
  CFRunLoopTimerSetNextFireDate(watch->timer, CFAbsoluteTimeGetCurrent());
  return watch->result;
}

class PopupTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    popup_ = Control(2);
    menu_ = GetControlPopupMenuHandle(popup_);
    watch_.popup = popup_;
    EventTypeSpec type{kEventClassCommand, kEventCommandProcess};
    ASSERT_EQ(InstallEventHandler(GetControlEventTarget(Control(1)), WatchCommand, 1, &type,
                                  &watch_, nullptr),
              noErr);
  }
  void TearDown() override {
    if (watch_.timer) {
      CFRunLoopTimerInvalidate(watch_.timer);
      CFRelease(watch_.timer);
    }
  }

  // The pop-up's value, then its menu's check marks ('x' checked, '-' not).
  std::string Shown() const {
    std::string shown = std::to_string(GetControl32BitValue(popup_)) + " ";
    for (MenuItemIndex item = 1; item <= CountMenuItems(menu_); ++item) {
      shown += IsMenuItemChecked(menu_, item) ? 'x' : '-';
    }
    return shown;
  }

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
  EXPECT_EQ(Shown(), "3 --x-");
  // The deferred reader runs on the next pass of the run loop and sees the new value.
  EXPECT_EQ(watch_.valueInTimer, 0);
  RunLoopRunOnePass();
  EXPECT_EQ(watch_.valueInTimer, 3);

  // Choosing the item already shown still sends the command.
  EXPECT_EQ(ChoosePopupItem(popup_, 3), eventNotHandledErr);
  EXPECT_EQ(watch_.commands, 2);
  EXPECT_EQ(Shown(), "3 --x-");
}

TEST_F(PopupTest, AHandlerThatTakesTheCommandCancelsTheChoice) {
  watch_.result = noErr;
  EXPECT_EQ(ChoosePopupItem(popup_, 4), noErr);
  EXPECT_EQ(watch_.commands, 1);
  EXPECT_EQ(Shown(), "2 -x--");
  RunLoopRunOnePass();
  EXPECT_EQ(watch_.valueInTimer, 2);
}

TEST_F(PopupTest, ImpossibleChoicesSendNothing) {
  EXPECT_EQ(ChoosePopupItem(popup_, 0), paramErr);
  EXPECT_EQ(ChoosePopupItem(popup_, 5), paramErr);
  EXPECT_EQ(ChoosePopupItem(Control(8), 1), paramErr);  // no menu
  EXPECT_EQ(ChoosePopupItem(Control(3), 1), paramErr);  // a field
  DisableControl(Control(1));
  EXPECT_EQ(ChoosePopupItem(popup_, 3), kControlDisabledStatus);
  EnableControl(Control(1));
  FailAllocations("Event", 1);
  EXPECT_EQ(ChoosePopupItem(popup_, 3), memFullErr);
  EXPECT_EQ(watch_.commands, 0);
  EXPECT_EQ(Shown(), "2 -x--");
}

TEST_F(PopupTest, MenuItemTextsAndCheckMarks) {
  auto text = [&](MenuItemIndex item) {
    CFStringRef copied = nullptr;
    OSStatus status = CopyMenuItemTextAsCFString(menu_, item, &copied);
    CFPtr<CFStringRef> owned(copied);
    EXPECT_TRUE(status == noErr ? CFGetRetainCount(copied) == 1 : copied == nullptr) << item;
    return status == noErr ? ToUTF8(copied) : std::to_string(status);
  };
  EXPECT_EQ(text(1) + text(2) + text(3) + text(4), "NormalProofPrivateHold");
  EXPECT_EQ(text(0), std::to_string(menuItemNotFoundErr));
  EXPECT_EQ(text(5), std::to_string(menuItemNotFoundErr));
  InjectFailure("CopyMenuItemTextAsCFString", -108);
  EXPECT_EQ(text(1), "-108");
  FailAllocations("CFString", 1);
  EXPECT_EQ(text(1), std::to_string(memFullErr));

  CheckMenuItem(menu_, 2, false);
  CheckMenuItem(menu_, 4, true);
  CheckMenuItem(menu_, 5, true);
  CheckMenuItem(menu_, 0, true);
  EXPECT_EQ(Shown(), "2 ---x");
}

}  // namespace
}  // namespace pde::test
