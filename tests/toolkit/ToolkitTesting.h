// ToolkitTesting.h: what the toolkit tests share: the fixture bundle of nibs, a window made from
// it for each test, and edit fields read and set as text with their selection.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Carbon/Carbon.h"
#include "pde/CFHost.h"
#include "pde/ToolkitHost.h"

namespace pde::test {

// 'test', the signature of every control ID in the fixture nibs.
inline constexpr OSType kTestSignature = 0x74657374;

struct WindowDisposer {
  void operator()(WindowRef window) const { DisposeWindow(window); }
};
using WindowPtr = std::unique_ptr<OpaqueWindowPtr, WindowDisposer>;

// The fixture: opens the bundle of test nibs once for the suite and gives each test a fresh
// window "Dialog" of the nib "Test" (see tests/data/toolkit).
class ToolkitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  static CFBundleRef Bundle();
  // A fresh window "Dialog" of the nib "Test", or null with a failure.
  static WindowPtr LoadTestWindow();
  // Control n ('test', n) of window, or null with a failure.
  static ControlRef ControlNumbered(WindowRef window, SInt32 n);
  // Control n of the test's window.
  ControlRef Control(SInt32 n) const { return ControlNumbered(window_.get(), n); }

  // The field's text with its selection marked: "ab|cd" for the caret after "ab", "a[bc]d" for
  // "bc" selected. Read through GetControlData.
  static std::string FieldState(ControlRef field);
  // Sets the field's text and selection from the same notation, past every key filter; the
  // field takes the focus.
  static void SetFieldState(ControlRef field, std::string_view state);

  WindowPtr window_;
};

// A handler that appends its name to a log and answers result.
struct Recorder {
  std::vector<std::string>* log;
  std::string name;
  OSStatus result = eventNotHandledErr;
};
OSStatus RecordEvent(EventHandlerCallRef call, EventRef event, void* recorder);

// Installs RecordEvent for one event type on target; the reference, or null with a failure.
EventHandlerRef InstallRecorder(EventTargetRef target, Recorder* recorder, UInt32 eventClass,
                                UInt32 eventKind);

}  // namespace pde::test
