// ToolkitTesting.cc: the shared fixture of the toolkit tests.
#include "ToolkitTesting.h"

namespace pde::test {
namespace {

CFBundleRef& SuiteBundle() {
  static CFBundleRef bundle = nullptr;
  return bundle;
}

std::string UTF8Of(const std::u16string& units) {
  CFPtr<CFStringRef> string(CFStringCreateWithCharacters(
      nullptr, reinterpret_cast<const UniChar*>(units.data()), static_cast<CFIndex>(units.size())));
  return ToUTF8(string.get());
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
  window_ = LoadTestWindow();
  ASSERT_TRUE(window_);
}

CFBundleRef ToolkitTest::Bundle() {
  return SuiteBundle();
}

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

std::string ToolkitTest::FieldState(ControlRef field) {
  CFStringRef text = nullptr;
  OSStatus status = GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag,
                                   sizeof text, &text, nullptr);
  CFPtr<CFStringRef> owned(text);
  ControlEditTextSelectionRec selection{0, 0};
  if (status != noErr || GetControlData(field, kControlEntireControl, kControlEditTextSelectionTag,
                                        sizeof selection, &selection, nullptr) != noErr) {
    return "<unreadable>";
  }
  std::u16string units(static_cast<size_t>(CFStringGetLength(text)), u'\0');
  CFStringGetCharacters(text, CFRangeMake(0, CFStringGetLength(text)),
                        reinterpret_cast<UniChar*>(units.data()));
  const auto start = static_cast<size_t>(selection.selStart);
  const auto end = static_cast<size_t>(selection.selEnd);
  std::string marked = start == end ? "|" : "[" + UTF8Of(units.substr(start, end - start)) + "]";
  return UTF8Of(units.substr(0, start)) + marked + UTF8Of(units.substr(end));
}

void ToolkitTest::SetFieldState(ControlRef field, std::string_view state) {
  std::string text;
  SInt16 start = -1, end = -1;
  for (char c : state) {
    if (c == '|' || c == '[') {
      start = static_cast<SInt16>(text.size());
    }
    if (c == '|' || c == ']') {
      end = static_cast<SInt16>(text.size());
    }
    if (c != '|' && c != '[' && c != ']') text += c;
  }
  CFPtr<CFStringRef> string = MakeString(text);
  CFStringRef value = string.get();
  ASSERT_EQ(SetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof value,
                           &value),
            noErr);
  ASSERT_EQ(SelectText(field, start, end), noErr) << state;
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
  EXPECT_EQ(
      InstallEventHandler(target, NewEventHandlerUPP(RecordEvent), 1, &type, recorder, &handler),
      noErr);
  return handler;
}

}  // namespace pde::test
