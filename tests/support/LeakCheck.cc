// LeakCheck.cc: fails a test that leaves Core Foundation objects alive.
#include "LeakCheck.h"

#include <gtest/gtest.h>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

class LeakCheckListener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override { objectsAtStart_ = LiveObjectCount(); }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    ClearInjectedFailures();
    ClearLoggedMessages();
    long leaked = LiveObjectCount() - objectsAtStart_;
    EXPECT_EQ(leaked, 0) << info.test_suite_name() << "." << info.name() << " left " << leaked
                         << " Core Foundation object(s) alive";
  }

 private:
  long objectsAtStart_ = 0;
};

}  // namespace

void InstallLeakCheck() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new LeakCheckListener);
}

}  // namespace pde::test
