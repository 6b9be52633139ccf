// ToolkitTesting.cc: the shared fixture of the toolkit tests.
#include "ToolkitTesting.h"

namespace pde::test {
namespace {

CFBundleRef& SuiteBundle() {
  static CFBundleRef bundle = nullptr;
  return bundle;
}

}  // namespace

void ToolkitTest::SetUpTestSuite() {
  SuiteBundle() = OpenBundle(PDE_TOOLKIT_DATA_DIR "/Nibs.bundle").release();
}

void ToolkitTest::TearDownTestSuite() {
  if (SuiteBundle()) CFRelease(SuiteBundle());
  SuiteBundle() = nullptr;
}

void ToolkitTest::SetUp() {
  ASSERT_NE(Bundle(), nullptr) << "cannot open " PDE_TOOLKIT_DATA_DIR "/Nibs.bundle";
  liveAtStart_ = LiveToolkitObjectCount();
}

void ToolkitTest::TearDown() {
  EXPECT_EQ(LiveToolkitObjectCount(), liveAtStart_) << "toolkit objects left alive";
}

CFBundleRef ToolkitTest::Bundle() { return SuiteBundle(); }

WindowPtr ToolkitTest::LoadTestWindow() {
  IBNibRef nib = nullptr;
  EXPECT_EQ(CreateNibReferenceWithCFBundle(Bundle(), CFSTR("Test"), &nib), noErr);
  if (!nib) return nullptr;
  WindowRef window = nullptr;
  EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Dialog"), &window), noErr);
  DisposeNibReference(nib);
  return WindowPtr(window);
}

ControlRef ToolkitTest::ControlNumbered(WindowRef window, SInt32 n) {
  ControlID id{kTestSignature, n};
  ControlRef control = nullptr;
  EXPECT_EQ(GetControlByID(window, &id, &control), noErr) << "control " << n;
  return control;
}

std::string ToolkitTest::TextOf(ControlRef field) {
  CFStringRef text = nullptr;
  EXPECT_EQ(GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag,
                           sizeof text, &text, nullptr),
            noErr);
  CFPtr<CFStringRef> owned(text);
  return ToUTF8(owned.get());
}

ControlEditTextSelectionRec ToolkitTest::SelectionOf(ControlRef field) {
  ControlEditTextSelectionRec selection{-1, -1};
  EXPECT_EQ(GetControlData(field, kControlEntireControl, kControlEditTextSelectionTag,
                           sizeof selection, &selection, nullptr),
            noErr);
  return selection;
}

OSStatus RecordEvent(EventHandlerCallRef, EventRef, void* recorder) {
  auto* self = static_cast<Recorder*>(recorder);
  self->log->push_back(self->name);
  return self->result;
}

EventHandlerRef InstallRecorder(EventTargetRef target, Recorder* recorder, UInt32 eventClass,
                                UInt32 eventKind) {
  EventTypeSpec type{eventClass, eventKind};
  EventHandlerRef handler = nullptr;
  EXPECT_EQ(InstallEventHandler(target, NewEventHandlerUPP(RecordEvent), 1, &type, recorder,
                                &handler),
            noErr);
  return handler;
}

}  // namespace pde::test
