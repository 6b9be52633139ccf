// PaneFixture.cc: the pane library under test: its bundle's resources and panes made as the host
// makes them.
#include "PaneFixture.h"

#include <cstdlib>

namespace zor::test {

BundleTest::BundleTest() : bundle_(pde::OpenBundle(BundlePath())) {
  setenv("LANGUAGE", "en", 1);
  EXPECT_TRUE(bundle_);
}

void PaneTest::SetUp() {
  session_ = std::make_unique<TestSession>(SamplePPD("VELMORA-q-RX310-730.ppd"));
  host_ = std::make_unique<HostWindow>();
  OSType creator = 0;
  CFStringRef kind = nullptr, title = nullptr;
  UInt32 maxH = 0, maxV = 0;
  PMPDEFlags flags = 0;
  ASSERT_EQ(Prologue(&context_, &creator, &kind, &title, &maxH, &maxV), noErr);
  CFRelease(title);
  testing::internal::CaptureStderr();  // the printer gate prints the model name
  OSStatus status = Initialize(context_, &flags, 0, host_->pane(), session_->get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "VELMORA q-RX310/730Series\n");
  ASSERT_EQ(status, noErr);
}

void PaneTest::TerminatePane() {
  if (context_ != nullptr) {
    EXPECT_EQ(Terminate(context_, noErr), noErr);
  }
  context_ = nullptr;
}

void PaneTest::TearDown() {
  TerminatePane();
  host_.reset();
  session_.reset();
}

}  // namespace zor::test
