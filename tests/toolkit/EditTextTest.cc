// EditTextTest.cc: edit fields: their data, typed keys after the field's handlers, the editing
// keys, tab, and the host's focus, select, type and paste.
#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

std::u16string Utf16Of(const std::string& utf8) {
  CFPtr<CFStringRef> string = MakeString(utf8);
  std::u16string text(static_cast<std::size_t>(CFStringGetLength(string.get())), u'\0');
  CFStringGetCharacters(string.get(), CFRangeMake(0, CFStringGetLength(string.get())),
                        reinterpret_cast<UniChar*>(text.data()));
  return text;
}

class EditTextTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window_ = LoadTestWindow();
    ASSERT_TRUE(window_);
    field_ = ControlNumbered(window_.get(), 6);
  }
  void TearDown() override {
    window_.reset();
    ToolkitTest::TearDown();
  }

  void SetText(ControlRef field, const char* utf8) {
    CFPtr<CFStringRef> text = MakeString(utf8);
    CFStringRef ref = text.get();
    ASSERT_EQ(SetControlData(field, kControlEntireControl, kControlEditTextCFStringTag,
                             sizeof ref, &ref),
              noErr);
  }

  WindowPtr window_;
  ControlRef field_ = nullptr;
};

TEST_F(EditTextTest, TextIsCopiedInAndOutAndSelectionsAreClamped) {
  CFPtr<CFMutableStringRef> source(CFStringCreateMutable(nullptr, 0));
  CFStringAppendCString(source.get(), "12345", kCFStringEncodingUTF8);
  CFStringRef set = source.get();
  ASSERT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof set, &set), noErr);
  EXPECT_EQ(CFGetRetainCount(set), 1);
  CFStringAppendCString(source.get(), "6", kCFStringEncodingUTF8);

  CFStringRef got = nullptr;
  Size size = 0;
  ASSERT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, sizeof got, &got, &size),
            noErr);
  EXPECT_EQ(size, static_cast<Size>(sizeof got));
  CFPtr<CFStringRef> owned(got);
  EXPECT_EQ(ToUTF8(got), "12345");
  EXPECT_EQ(CFGetRetainCount(got), 1);
  EXPECT_EQ(SelectionOf(field_).selStart, 5);

  struct Case {
    SInt16 start, end, expectedStart, expectedEnd;
  };
  for (Case c : std::initializer_list<Case>{
           {1, 3, 1, 3}, {0, 32767, 0, 5}, {-4, 2, 0, 2}, {4, 1, 1, 4}, {9, 9, 5, 5}}) {
    ControlEditTextSelectionRec wanted{c.start, c.end};
    ASSERT_EQ(SetControlData(field_, 0, kControlEditTextSelectionTag, sizeof wanted, &wanted),
              noErr);
    ControlEditTextSelectionRec selection = SelectionOf(field_);
    EXPECT_EQ(selection.selStart, c.expectedStart) << c.start << ".." << c.end;
    EXPECT_EQ(selection.selEnd, c.expectedEnd) << c.start << ".." << c.end;
  }
}

TEST_F(EditTextTest, BadDataIsRefused) {
  CFNumberRef number = nullptr;
  int one = 1;
  number = CFNumberCreate(nullptr, kCFNumberIntType, &one);
  CFPtr<CFNumberRef> ownedNumber(number);
  CFTypeRef notAString = number;
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof notAString, &notAString),
            paramErr);
  CFStringRef none = nullptr;
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof none, &none), paramErr);
  CFStringRef text = CFSTR("abc");
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, 4, &text), paramErr);
  EXPECT_EQ(SetControlData(field_, 0, 0x78787878, sizeof text, &text), errDataNotSupported);
  EXPECT_EQ(SetControlData(ControlNumbered(window_.get(), 2), 0, kControlEditTextCFStringTag,
                           sizeof text, &text),
            errDataNotSupported);
  ControlEditTextSelectionRec selection{};
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextSelectionTag, 2, &selection, nullptr),
            paramErr);
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextSelectionTag, 4, nullptr, nullptr),
            paramErr);

  std::string tooLong(32768, '7');
  CFPtr<CFStringRef> longText = MakeString(tooLong);
  CFStringRef ref = longText.get();
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof ref, &ref), paramErr);
  EXPECT_EQ(TextOf(field_), "");

  InjectFailure("SetControlData", -5);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof text, &text), -5);
  InjectFailure("GetControlData", -6);
  CFStringRef got = nullptr;
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, sizeof got, &got, nullptr), -6);
  FailAllocations("CFString", 1);
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, sizeof got, &got, nullptr),
            memFullErr);
  EXPECT_EQ(got, nullptr);
}

struct KeyCase {
  const char* name;
  const char* text;
  SInt16 start, end;
  unsigned char key;
  UInt32 modifiers;
  const char* expected;
  SInt16 expectedStart, expectedEnd;
};

TEST_F(EditTextTest, EditingKeys) {
  const KeyCase cases[] = {
      {"type at caret", "abcd", 2, 2, 'x', 0, "abxcd", 3, 3},
      {"type over selection", "abcd", 1, 3, 'x', 0, "axd", 2, 2},
      {"type with shift", "abcd", 4, 4, 'X', shiftKey, "abcdX", 5, 5},
      {"type MacRoman", "abcd", 0, 0, 0x8E, 0, "\u00e9abcd", 1, 1},
      {"backspace", "abcd", 2, 2, kBackspaceCharCode, 0, "acd", 1, 1},
      {"backspace at start", "abcd", 0, 0, kBackspaceCharCode, 0, "abcd", 0, 0},
      {"backspace selection", "abcd", 1, 3, kBackspaceCharCode, 0, "ad", 1, 1},
      {"delete", "abcd", 2, 2, kDeleteCharCode, 0, "abd", 2, 2},
      {"delete at end", "abcd", 4, 4, kDeleteCharCode, 0, "abcd", 4, 4},
      {"delete selection", "abcd", 0, 2, kDeleteCharCode, 0, "cd", 0, 0},
      {"left", "abcd", 2, 2, kLeftArrowCharCode, 0, "abcd", 1, 1},
      {"left at start", "abcd", 0, 0, kLeftArrowCharCode, 0, "abcd", 0, 0},
      {"left collapses", "abcd", 1, 3, kLeftArrowCharCode, 0, "abcd", 1, 1},
      {"right", "abcd", 2, 2, kRightArrowCharCode, 0, "abcd", 3, 3},
      {"right at end", "abcd", 4, 4, kRightArrowCharCode, 0, "abcd", 4, 4},
      {"right collapses", "abcd", 1, 3, kRightArrowCharCode, 0, "abcd", 3, 3},
      {"home", "abcd", 3, 3, kHomeCharCode, 0, "abcd", 0, 0},
      {"end", "abcd", 1, 2, kEndCharCode, 0, "abcd", 4, 4},
      {"select all", "abcd", 2, 2, 'a', cmdKey, "abcd", 0, 4},
      {"other command key", "abcd", 2, 2, 'x', cmdKey, "abcd", 2, 2},
      {"return", "abcd", 1, 3, kReturnCharCode, 0, "abcd", 1, 3},
      {"enter", "abcd", 1, 3, kEnterCharCode, 0, "abcd", 1, 3},
      {"escape", "abcd", 1, 3, kEscapeCharCode, 0, "abcd", 1, 3},
      {"up arrow", "abcd", 2, 2, kUpArrowCharCode, 0, "abcd", 2, 2},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(field_, c.text);
    ASSERT_EQ(SelectText(field_, c.start, c.end), noErr);
    TypeKey(window_.get(), c.key, false, c.modifiers);
    EXPECT_EQ(TextOf(field_), c.expected);
    ControlEditTextSelectionRec selection = SelectionOf(field_);
    EXPECT_EQ(selection.selStart, c.expectedStart);
    EXPECT_EQ(selection.selEnd, c.expectedEnd);
  }
}

// Records every key byte exactly as the plug-in's key filters read it.
struct KeyFilter {
  std::vector<int> seen;
  unsigned char refuse = 0;
};

OSStatus FilterKey(EventHandlerCallRef, EventRef event, void* data) {
  auto* filter = static_cast<KeyFilter*>(data);
  char key = 0;
  if (GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr, &key) !=
      noErr) {
    return eventNotHandledErr;
  }
  auto byte = static_cast<unsigned char>(key);
  filter->seen.push_back(byte);
  if (filter->refuse != 0 && byte == filter->refuse) return noErr;
  return eventNotHandledErr;
}

TEST_F(EditTextTest, EveryByteReachesTheFiltersThenEditsTheField) {
  KeyFilter filter;
  EventTypeSpec types[] = {{kEventClassKeyboard, kEventRawKeyDown},
                           {kEventClassKeyboard, kEventRawKeyRepeat}};
  ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), FilterKey, 2, types, &filter,
                                nullptr),
            noErr);
  for (int byte = 0; byte < 256; ++byte) {
    SetText(field_, "");
    ASSERT_EQ(FocusControl(field_), noErr);
    auto key = static_cast<unsigned char>(byte);
    TypeKey(window_.get(), key, byte % 2 == 1);
    ASSERT_EQ(filter.seen.size(), static_cast<std::size_t>(byte + 1));
    EXPECT_EQ(filter.seen.back(), byte);
    bool typed = (byte >= 0x20 && byte <= 0x7E) || byte >= 0x80;
    std::u16string expected;
    if (typed) expected.push_back(static_cast<char16_t>(UnicodeForMacRomanByte(key)));
    EXPECT_EQ(Utf16Of(TextOf(field_)), expected) << "byte 0x" << std::hex << byte;
  }
}

TEST_F(EditTextTest, AKeyTakenByAFilterNeverReachesTheField) {
  KeyFilter filter{{}, 'x'};
  EventTypeSpec type{kEventClassKeyboard, kEventRawKeyDown};
  ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), FilterKey, 1, &type, &filter,
                                nullptr),
            noErr);
  EXPECT_EQ(TypeText(field_, "axbx"), noErr);
  EXPECT_EQ(TextOf(field_), "ab");
  EXPECT_EQ(filter.seen, (std::vector<int>{'a', 'x', 'b', 'x'}));
  // The filter listens for key-down only: a repeated x reaches the field.
  EXPECT_EQ(TypeKey(window_.get(), 'x', true), noErr);
  EXPECT_EQ(TextOf(field_), "abx");
}

TEST_F(EditTextTest, TabMovesToTheNextEnabledFieldAndWraps) {
  ControlRef first = ControlNumbered(window_.get(), 3);
  ASSERT_EQ(FocusControl(first), noErr);
  ControlRef focus = nullptr;
  EXPECT_EQ(TypeKey(window_.get(), kTabCharCode), noErr);
  GetKeyboardFocus(window_.get(), &focus);
  EXPECT_EQ(focus, field_);  // field 5 between them is disabled
  EXPECT_EQ(TypeKey(window_.get(), kTabCharCode), noErr);
  GetKeyboardFocus(window_.get(), &focus);
  EXPECT_EQ(focus, first);
  ControlEditTextSelectionRec selection = SelectionOf(first);
  EXPECT_EQ(selection.selStart, 0);
  EXPECT_EQ(selection.selEnd, 3);
  EXPECT_EQ(TextOf(first), "123");
  // Typing now replaces the whole text.
  EXPECT_EQ(TypeText(first, "9"), noErr);
  EXPECT_EQ(TextOf(first), "9");
}

TEST_F(EditTextTest, HostActions) {
  EXPECT_EQ(TypeKey(window_.get(), 'a'), paramErr);  // nothing has the focus
  EXPECT_EQ(TypeText(field_, "hello"), noErr);
  EXPECT_EQ(TextOf(field_), "hello");
  ControlRef focus = nullptr;
  GetKeyboardFocus(window_.get(), &focus);
  EXPECT_EQ(focus, field_);
  std::vector<ControlSnapshot> snapshots = SnapshotWindow(window_.get());
  EXPECT_TRUE(snapshots[6].focused);
  EXPECT_EQ(snapshots[6].text, "hello");

  ASSERT_EQ(SelectText(field_, 1, 4), noErr);
  KeyFilter filter;
  EventTypeSpec type{kEventClassKeyboard, kEventRawKeyDown};
  ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), FilterKey, 1, &type, &filter,
                                nullptr),
            noErr);
  EXPECT_EQ(PasteText(field_, CFSTR("\u00fcber")), noErr);
  EXPECT_EQ(TextOf(field_), "h\u00fcbero");
  EXPECT_TRUE(filter.seen.empty());
  ControlEditTextSelectionRec selection = SelectionOf(field_);
  EXPECT_EQ(selection.selStart, 5);
  EXPECT_EQ(selection.selEnd, 5);

  ControlRef disabled = ControlNumbered(window_.get(), 5);
  EXPECT_EQ(FocusControl(disabled), kControlDisabledStatus);
  EXPECT_EQ(SelectText(disabled, 0, 1), kControlDisabledStatus);
  EXPECT_EQ(TypeText(disabled, "x"), kControlDisabledStatus);
  EXPECT_EQ(PasteText(disabled, CFSTR("x")), kControlDisabledStatus);
  EXPECT_EQ(TextOf(disabled), "ab");
  EXPECT_EQ(FocusControl(ControlNumbered(window_.get(), 2)), paramErr);
  EXPECT_EQ(PasteText(field_, nullptr), paramErr);

  // A disabled field keeps its text and takes it up again when enabled.
  DisableControl(field_);
  EXPECT_EQ(TypeKey(window_.get(), 'z'), paramErr);
  EnableControl(field_);
  EXPECT_EQ(TextOf(field_), "h\u00fcbero");

  FailAllocations("Event", 1);
  EXPECT_EQ(TypeText(field_, "z"), memFullErr);
  EXPECT_EQ(TextOf(field_), "h\u00fcbero");
}

TEST_F(EditTextTest, AFullFieldRefusesMoreText) {
  std::string full(32767, '1');
  SetText(field_, full.c_str());
  ASSERT_EQ(FocusControl(field_), noErr);
  EXPECT_EQ(TypeKey(window_.get(), '2'), noErr);
  EXPECT_EQ(TextOf(field_), full);
  EXPECT_EQ(PasteText(field_, CFSTR("2")), paramErr);
  ASSERT_EQ(SelectText(field_, 0, 1), noErr);
  EXPECT_EQ(TypeKey(window_.get(), '2'), noErr);
  EXPECT_EQ(TextOf(field_), "2" + full.substr(1));
}

}  // namespace
}  // namespace pde::test
