// RelationshipsTest.cc: the digit fields enabled by their pop-ups, through the deferred pass that
// every command in the pane arms.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

class RelationshipsTest : public PaneTest {
 protected:
  bool DINEnabled() const { return IsControlEnabled(pane().control_DIN); }
};

// The golden sessions check which choice enables which field, on the pass after it.
TEST_F(RelationshipsTest, CommandsBeforeAPassShareOneTimerThatLaterCommandsReArm) {
  EXPECT_EQ(pde::ChoosePopupItem(pane().control_PrintMode, 3), eventNotHandledErr);
  CFRunLoopTimerRef timer = pane().updateRelationshipsTimer;
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(pde::ChoosePopupItem(pane().control_BlankPages, 2), eventNotHandledErr);
  EXPECT_EQ(pane().updateRelationshipsTimer, timer);
  pde::RunLoopRunOnePass();
  EXPECT_TRUE(DINEnabled());
  DisableControl(pane().control_DIN);
  pde::RunLoopRunOnePass();
  EXPECT_FALSE(DINEnabled()) << "a second pass ran for the same commands";
  EXPECT_TRUE(CFRunLoopTimerIsValid(timer));

  // Choosing the item already shown still arms a pass.
  EXPECT_EQ(pde::ChoosePopupItem(pane().control_PrintMode, 3), eventNotHandledErr);
  EXPECT_EQ(pane().updateRelationshipsTimer, timer);
  pde::RunLoopRunOnePass();
  EXPECT_TRUE(DINEnabled());
  EXPECT_EQ(HandleRelationships(nullptr, nullptr, context_), eventNotHandledErr);
}

// A timer that cannot be made is logged, and the next command makes it: the failure matrix
// checks it at every call, and the timer-failure session end to end.
TEST_F(RelationshipsTest, TerminateRemovesAnArmedTimerBeforeItsPass) {
  const long toolkitBefore = pde::LiveToolkitObjectCount();
  EXPECT_EQ(pde::ChoosePopupItem(pane().control_PrintMode, 3), eventNotHandledErr);
  ControlRef din = pane().control_DIN;
  TerminatePane();
  pde::RunLoopRunOnePass();
  EXPECT_FALSE(IsControlEnabled(din));
  EXPECT_EQ(pde::LiveToolkitObjectCount(), toolkitBefore - 5) << "four filters and the handler";
}

}  // namespace
}  // namespace zor::test
