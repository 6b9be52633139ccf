// LeakCheck.cc: fails a test that leaves Core Foundation objects, toolkit objects or tickets alive.
#include "LeakCheck.h"

#include <gtest/gtest.h>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::test {
namespace {

struct LiveCounts {
  long objects = LiveObjectCount();
  long toolkitObjects = LiveToolkitObjectCount();
  long tickets = LiveTicketCount();
};

class LeakCheckListener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override { atStart_ = LiveCounts(); }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    ClearInjectedFailures();
    ClearLoggedMessages();
    LiveCounts now;
    const std::string test = std::string(info.test_suite_name()) + "." + info.name();
    EXPECT_EQ(now.objects - atStart_.objects, 0) << test << " left Core Foundation objects alive";
    EXPECT_EQ(now.toolkitObjects - atStart_.toolkitObjects, 0)
        << test << " left windows, controls, events or handlers alive";
    EXPECT_EQ(now.tickets - atStart_.tickets, 0) << test << " left tickets alive";
  }

 private:
  LiveCounts atStart_;
};

}  // namespace

void InstallLeakCheck() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new LeakCheckListener);
}

}  // namespace pde::test
