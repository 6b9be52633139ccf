// LeakCheck.cc: fails a test that leaves Core Foundation objects or tickets alive.
#include "LeakCheck.h"

#include <gtest/gtest.h>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/PrintingHost.h"

namespace pde::test {
namespace {

class LeakCheckListener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    objectsAtStart_ = LiveObjectCount();
    ticketsAtStart_ = LiveTicketCount();
  }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    ClearInjectedFailures();
    ClearLoggedMessages();
    long objects = LiveObjectCount() - objectsAtStart_;
    long tickets = LiveTicketCount() - ticketsAtStart_;
    if (objects != 0 || tickets != 0) {
      ADD_FAILURE() << info.test_suite_name() << "." << info.name() << " left " << objects
                    << " Core Foundation object(s) and " << tickets << " ticket(s) alive";
    }
  }

 private:
  long objectsAtStart_ = 0;
  long ticketsAtStart_ = 0;
};

}  // namespace

void InstallLeakCheck() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new LeakCheckListener);
}

}  // namespace pde::test
