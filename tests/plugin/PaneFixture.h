// PaneFixture.h: the pane library under test: its bundle's resources and panes made as the host
// makes them.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "PaneTestSupport.h"
#include "pane/zor-source.h"

namespace zor::test {

// Opens the built bundle, so that the pane finds its nib and strings by its identifier, for the
// life of the fixture; titles in English.
class BundleTest : public ::testing::Test {
 protected:
  BundleTest();
  pde::CFPtr<CFBundleRef> bundle_;
};

// A fresh copy of the pane's nib window (the bundle must be open), disposed of with the object.
class NibWindow {
 public:
  NibWindow() : window_(CreatePDEWindow()) { EXPECT_NE(window_, nullptr); }
  ~NibWindow() {
    if (window_ != nullptr) DisposeWindow(window_);
  }
  NibWindow(const NibWindow&) = delete;
  NibWindow& operator=(const NibWindow&) = delete;

  WindowRef get() const { return window_; }
  ControlRef Control(SInt32 id) const { return GetControlFromWindow(window_, kZORSignature, id); }

 private:
  WindowRef window_;
};

// Calls Prologue, then Initialize into host's pane for session, as the host does (the printer
// gate's message on stderr swallowed). Writes the context to *context, to be terminated, and the
// flags to *flags; returns Initialize's status, or Prologue's when that fails.
OSStatus PrologueAndInitialize(PMPDEContext* context, PMPDEFlags* flags, const TestSession& session,
                               const HostWindow& host);

// A pane made as the host makes it: Prologue, then Initialize in a host window for a supported
// printer whose print-settings ticket is empty; Terminate on tear-down.
class PaneTest : public BundleTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Terminates the pane now (the fixture's tear-down then does nothing).
  void TerminatePane();

  ZOR_PDEContext& pane() const { return *GetZORContext(context_); }

  PMPDEContext context_ = nullptr;
  std::unique_ptr<TestSession> session_;
  std::unique_ptr<HostWindow> host_;
};

}  // namespace zor::test
