// DiagnosticsTest.cc: failure injection and the system-log sink.
#include <gtest/gtest.h>
#include <syslog.h>

#include "pde/Diagnostics.h"

namespace {

// The status each of the next `calls` calls of operation fails with, 0 for one let through.
std::vector<OSStatus> Outcomes(const char* operation, int calls) {
  std::vector<OSStatus> outcomes;
  for (int call = 0; call < calls; ++call) {
    OSStatus status = 1;
    outcomes.push_back(pde::TakeInjectedFailure(operation, &status) ? status : 0);
  }
  return outcomes;
}

TEST(FailureInjection, SkipsThenFailsTheGivenNumberOfCallsOrAllUntilCleared) {
  pde::InjectFailure("GetWindowBounds", -50, 2, 1);
  EXPECT_EQ(Outcomes("GetWindowBounds", 4), (std::vector<OSStatus>{0, -50, -50, 0}));
  EXPECT_EQ(Outcomes("OtherCall", 1), (std::vector<OSStatus>{0}));
  pde::InjectFailure("CFRunLoopTimerCreate", -108, -1);
  EXPECT_EQ(Outcomes("CFRunLoopTimerCreate", 100), std::vector<OSStatus>(100, -108));
  pde::ClearInjectedFailures();
  EXPECT_EQ(Outcomes("CFRunLoopTimerCreate", 1), (std::vector<OSStatus>{0}));
}

TEST(FailureInjection, AllocationsFailByKindOrAnyAndAreCounted) {
  pde::FailAllocations("CFString", 1);
  pde::FailAllocations("*", 1, 1);
  EXPECT_FALSE(pde::TakeAllocationFailure("CFArray"));   // "*" skips this one
  EXPECT_TRUE(pde::TakeAllocationFailure("CFString"));   // its own kind first
  EXPECT_TRUE(pde::TakeAllocationFailure("CFString"));   // then "*"
  EXPECT_FALSE(pde::TakeAllocationFailure("CFString"));  // both used up
  EXPECT_EQ(pde::CountAllocations("CFString"), 3);
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
