// ToolkitTesting.h: what the toolkit tests share: the fixture bundle of nibs, windows that dispose
// of themselves, and the check that no toolkit object outlives a test.
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

// The fixture: fails a test that leaves windows, controls, events, handlers or nib references
// alive, and opens the bundle of test nibs once for the suite.
class ToolkitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  static CFBundleRef Bundle();
  // A fresh window "Dialog" of the nib "Test" (see tests/data/toolkit), or null with a failure.
  static WindowPtr LoadTestWindow();
  // Control n ('test', n) of window, or null with a failure.
  static ControlRef ControlNumbered(WindowRef window, SInt32 n);
  // The field's text, read through GetControlData.
  static std::string TextOf(ControlRef field);
  static ControlEditTextSelectionRec SelectionOf(ControlRef field);

 private:
  long liveAtStart_ = 0;
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
