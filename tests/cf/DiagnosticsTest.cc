// DiagnosticsTest.cc: failure injection and the system-log sink.
#include <gtest/gtest.h>
#include <syslog.h>

#include "pde/Diagnostics.h"

namespace {

TEST(FailureInjection, SkipsThenFailsTheGivenNumberOfCalls) {
  pde::InjectFailure("GetWindowBounds", -50, 2, 1);
  std::vector<OSStatus> outcomes;
  for (int call = 0; call < 4; ++call) {
    OSStatus status = 1;
    outcomes.push_back(pde::TakeInjectedFailure("GetWindowBounds", &status) ? status : 0);
  }
  EXPECT_EQ(outcomes, (std::vector<OSStatus>{0, -50, -50, 0}));
  OSStatus untouched = 7;
  EXPECT_FALSE(pde::TakeInjectedFailure("OtherCall", &untouched));
  EXPECT_EQ(untouched, 7);
}

TEST(FailureInjection, NegativeTimesFailsEveryCallUntilCleared) {
  pde::InjectFailure("CFRunLoopTimerCreate", -108, -1);
  OSStatus status = 0;
  for (int call = 0; call < 100; ++call) {
    ASSERT_TRUE(pde::TakeInjectedFailure("CFRunLoopTimerCreate", &status)) << "call " << call;
  }
  EXPECT_EQ(status, -108);
  pde::ClearInjectedFailures();
  EXPECT_FALSE(pde::TakeInjectedFailure("CFRunLoopTimerCreate", &status));
}

TEST(FailureInjection, AllocationsFailByKindOrAnyAndAreCounted) {
  pde::FailAllocations("CFString", 1);
  pde::FailAllocations("*", 1, 1);
  EXPECT_FALSE(pde::TakeAllocationFailure("CFArray"));   // "*" skips this one
  EXPECT_TRUE(pde::TakeAllocationFailure("CFString"));   // its own kind first
  EXPECT_TRUE(pde::TakeAllocationFailure("CFString"));   // then "*"
  EXPECT_FALSE(pde::TakeAllocationFailure("CFString"));  // both used up
  EXPECT_EQ(pde::CountAllocations("CFString"), 3);
  EXPECT_EQ(pde::CountAllocations("CFArray"), 1);
  EXPECT_EQ(pde::CountAllocations("CFNumber"), 0);
  EXPECT_EQ(pde::CountAllocations(), 4);
  pde::ClearInjectedFailures();
  EXPECT_EQ(pde::CountAllocations(), 0);
}

TEST(SystemLog, PlainSyslogReachesTheSinkAtErrorOrMoreUrgent) {
  syslog(LOG_ERR, "Relationship timer creation failed! %s", "Probably lack of memory.");
  syslog(LOG_WARNING, "not recorded");
  syslog(LOG_USER | LOG_CRIT, "critical %d", 2);
  syslog(LOG_DEBUG, "not recorded either");
  EXPECT_EQ(pde::LoggedMessages(),
            (std::vector<std::string>{
                "Relationship timer creation failed! Probably lack of memory.", "critical 2"}));
  pde::ClearLoggedMessages();
  EXPECT_TRUE(pde::LoggedMessages().empty());
}

}  // namespace
