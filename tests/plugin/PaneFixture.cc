// PaneFixture.cc: the pane library under test: its bundle's resources and panes made as the host
// makes them.
#include "PaneFixture.h"

#include <cstdlib>

namespace zor::test {

BundleTest::BundleTest() : bundle_(pde::OpenBundle(BundlePath())) {
  setenv("LANGUAGE", "en", 1);
  EXPECT_TRUE(bundle_);
}

OSStatus PrologueAndInitialize(PMPDEContext* context, PMPDEFlags* flags, const TestSession& session,
                               const HostWindow& host) {
  OSType creator = 0;
  CFStringRef kind = nullptr, title = nullptr;
  UInt32 maxH = 0, maxV = 0;
  OSStatus status = Prologue(context, &creator, &kind, &title, &maxH, &maxV);
  if (title != nullptr) CFRelease(title);
  if (status != noErr) return status;
  testing::internal::CaptureStderr();
  status = Initialize(*context, flags, 0, host.pane(), session.get());
  testing::internal::GetCapturedStderr();
  return status;
}

void PaneTest::SetUp() {
  session_ = std::make_unique<TestSession>(SamplePPD("VELMORA-q-RX310-730.ppd"));
  host_ = std::make_unique<HostWindow>();
  PMPDEFlags flags = 0;
  ASSERT_EQ(PrologueAndInitialize(&context_, &flags, *session_, *host_), noErr);
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
