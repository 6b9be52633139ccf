// EditTextTest.cc: edit fields: their data, typed keys after the field's handlers, the editing
// keys, tab, and the host's focus, select, type and paste.
#include <tuple>

#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

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
  return filter->refuse != 0 && byte == filter->refuse ? OSStatus{noErr}
                                                       : OSStatus{eventNotHandledErr};
}

class EditTextTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    field_ = Control(6);
  }

  ControlRef Focus() const {
    ControlRef focus = nullptr;
    EXPECT_EQ(GetKeyboardFocus(window_.get(), &focus), noErr);
    return focus;
  }

  // Installs FilterKey on the field for key-downs, and for key repeats too when repeats.
  void InstallFilter(KeyFilter* filter, bool repeats = false) {
    const EventTypeSpec types[] = {{kEventClassKeyboard, kEventRawKeyDown},
                                   {kEventClassKeyboard, kEventRawKeyRepeat}};
    ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), FilterKey, repeats ? 2 : 1, types,
                                  filter, nullptr),
              noErr);
  }

  ControlRef field_ = nullptr;
};

TEST_F(EditTextTest, TextIsCopiedInAndOutAndSelectionsAreClamped) {
  CFPtr<CFMutableStringRef> source(CFStringCreateMutableCopy(nullptr, 0, CFSTR("12345")));
  CFStringRef set = source.get();
  ASSERT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, sizeof set, &set), noErr);
  EXPECT_EQ(CFGetRetainCount(set), 1);
  CFStringAppend(source.get(), CFSTR("6"));
  CFStringRef got = nullptr;
  Size size = 0;
  ASSERT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, sizeof got, &got, &size), noErr);
  CFPtr<CFStringRef> owned(got);
  EXPECT_EQ(size, static_cast<Size>(sizeof got));
  EXPECT_EQ(CFGetRetainCount(got), 1);
  EXPECT_EQ(FieldState(field_), "12345|");

  for (auto [start, end, expected] : {std::tuple<SInt16, SInt16, const char*>{1, 3, "1[23]45"},
                                      {0, 32767, "[12345]"},
                                      {-4, 2, "[12]345"},
                                      {4, 1, "1[234]5"},
                                      {9, 9, "12345|"}}) {
    ControlEditTextSelectionRec wanted{start, end};
    ASSERT_EQ(SetControlData(field_, 0, kControlEditTextSelectionTag, sizeof wanted, &wanted),
              noErr);
    EXPECT_EQ(FieldState(field_), expected) << "for selection " << start << ".." << end;
  }
}

TEST_F(EditTextTest, BadDataIsRefused) {
  int one = 1;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &one));
  CFTypeRef notAString = number.get();
  CFStringRef none = nullptr, text = CFSTR("abc");
  std::string tooLong(32768, '7');
  CFPtr<CFStringRef> longText = MakeString(tooLong);
  CFStringRef longRef = longText.get();
  ControlEditTextSelectionRec selection{};
  const Size kRef = sizeof(CFStringRef);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &notAString), paramErr);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &none), paramErr);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, 4, &text), paramErr);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &longRef), paramErr);
  EXPECT_EQ(SetControlData(field_, 0, 0x78787878, kRef, &text), errDataNotSupported);
  EXPECT_EQ(SetControlData(Control(2), 0, kControlEditTextCFStringTag, kRef, &text),
            errDataNotSupported);
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextSelectionTag, 2, &selection, nullptr),
            paramErr);
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextSelectionTag, 4, nullptr, nullptr), paramErr);
  EXPECT_EQ(FieldState(field_), "|");

  InjectFailure("SetControlData", -5);
  EXPECT_EQ(SetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &text), -5);
  InjectFailure("GetControlData", -6);
  CFStringRef got = nullptr;
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &got, nullptr), -6);
  FailAllocations("CFString", 1);
  EXPECT_EQ(GetControlData(field_, 0, kControlEditTextCFStringTag, kRef, &got, nullptr),
            memFullErr);
  EXPECT_EQ(got, nullptr);
}

TEST_F(EditTextTest, EditingKeys) {
  const std::tuple<const char*, unsigned char, UInt32, const char*> cases[] = {
      {"ab|cd", 'x', 0, "abx|cd"},
      {"a[bc]d", 'x', 0, "ax|d"},
      {"abcd|", 'X', shiftKey, "abcdX|"},
      {"|abcd", 0x8E, 0, "\u00e9|abcd"},  // MacRoman
      {"ab|cd", kBackspaceCharCode, 0, "a|cd"},
      {"|abcd", kBackspaceCharCode, 0, "|abcd"},
      {"a[bc]d", kBackspaceCharCode, 0, "a|d"},
      {"ab|cd", kDeleteCharCode, 0, "ab|d"},
      {"abcd|", kDeleteCharCode, 0, "abcd|"},
      {"[ab]cd", kDeleteCharCode, 0, "|cd"},
      {"ab|cd", kLeftArrowCharCode, 0, "a|bcd"},
      {"|abcd", kLeftArrowCharCode, 0, "|abcd"},
      {"a[bc]d", kLeftArrowCharCode, 0, "a|bcd"},
      {"ab|cd", kRightArrowCharCode, 0, "abc|d"},
      {"abcd|", kRightArrowCharCode, 0, "abcd|"},
      {"a[bc]d", kRightArrowCharCode, 0, "abc|d"},
      {"abc|d", kHomeCharCode, 0, "|abcd"},
      {"a[b]cd", kEndCharCode, 0, "abcd|"},
      {"ab|cd", 'a', cmdKey, "[abcd]"},  // select all
      {"ab|cd", 'x', cmdKey, "ab|cd"},   // other command keys do nothing
      {"a[bc]d", kReturnCharCode, 0, "a[bc]d"},
      {"a[bc]d", kEnterCharCode, 0, "a[bc]d"},
      {"a[bc]d", kEscapeCharCode, 0, "a[bc]d"},
      {"ab|cd", kUpArrowCharCode, 0, "ab|cd"},
  };
  for (auto [before, key, modifiers, after] : cases) {
    SetFieldState(field_, before);
    TypeKey(window_.get(), key, false, modifiers);
    EXPECT_EQ(FieldState(field_), after) << "for input " << before << " key 0x" << std::hex
                                         << int{key} << " modifiers " << modifiers;
  }
}

TEST_F(EditTextTest, EveryByteReachesTheFiltersThenEditsTheField) {
  KeyFilter filter;
  ASSERT_NO_FATAL_FAILURE(InstallFilter(&filter, true));
  for (int byte = 0; byte < 256; ++byte) {
    SetFieldState(field_, "|");
    auto key = static_cast<unsigned char>(byte);
    TypeKey(window_.get(), key, byte % 2 == 1);
    ASSERT_EQ(filter.seen.size(), static_cast<std::size_t>(byte + 1));
    EXPECT_EQ(filter.seen.back(), byte);
    std::string expected = "|";
    if ((byte >= 0x20 && byte <= 0x7E) || byte >= 0x80) {
      const auto unit = static_cast<UniChar>(UnicodeForMacRomanByte(key));
      CFPtr<CFStringRef> character(CFStringCreateWithCharacters(nullptr, &unit, 1));
      expected = ToUTF8(character.get()) + "|";
    }
    EXPECT_EQ(FieldState(field_), expected) << "byte 0x" << std::hex << byte;
  }
}

TEST_F(EditTextTest, AKeyTakenByAFilterNeverReachesTheField) {
  KeyFilter filter{{}, 'x'};
  ASSERT_NO_FATAL_FAILURE(InstallFilter(&filter));
  EXPECT_EQ(TypeText(field_, "axbx"), noErr);
  EXPECT_EQ(FieldState(field_), "ab|");
  EXPECT_EQ(filter.seen, (std::vector<int>{'a', 'x', 'b', 'x'}));
  // The filter listens for key-down only: a repeated x reaches the field.
  EXPECT_EQ(TypeKey(window_.get(), 'x', true), noErr);
  EXPECT_EQ(FieldState(field_), "abx|");
}

TEST_F(EditTextTest, TabMovesToTheNextEnabledFieldAndSelectsItsText) {
  ControlRef first = Control(3);
  ASSERT_EQ(FocusControl(first), noErr);
  EXPECT_EQ(TypeKey(window_.get(), kTabCharCode), noErr);
  EXPECT_EQ(Focus(), field_);  // field 5 between them is disabled
  EXPECT_EQ(TypeKey(window_.get(), kTabCharCode), noErr);
  EXPECT_EQ(Focus(), first);  // and back round
  EXPECT_EQ(FieldState(first), "[123]");
  EXPECT_EQ(TypeText(first, "9"), noErr);
  EXPECT_EQ(FieldState(first), "9|");
}

TEST_F(EditTextTest, HostActionsFocusTypePasteAndRespectDisabledFields) {
  EXPECT_EQ(TypeKey(window_.get(), 'a'), paramErr);  // nothing has the focus
  EXPECT_EQ(TypeText(field_, "hello"), noErr);
  EXPECT_EQ(Focus(), field_);
  ControlSnapshot snapshot = SnapshotControl(field_);
  EXPECT_TRUE(snapshot.focused);
  EXPECT_EQ(snapshot.text, "hello");

  ASSERT_EQ(SelectText(field_, 1, 4), noErr);
  KeyFilter filter;
  ASSERT_NO_FATAL_FAILURE(InstallFilter(&filter));
  EXPECT_EQ(PasteText(field_, CFSTR("\u00fcber")), noErr);
  EXPECT_EQ(FieldState(field_), "h\u00fcber|o");
  EXPECT_TRUE(filter.seen.empty());

  ControlRef disabled = Control(5);
  EXPECT_EQ(FocusControl(disabled), kControlDisabledStatus);
  EXPECT_EQ(SelectText(disabled, 0, 1), kControlDisabledStatus);
  EXPECT_EQ(TypeText(disabled, "x"), kControlDisabledStatus);
  EXPECT_EQ(PasteText(disabled, CFSTR("x")), kControlDisabledStatus);
  EXPECT_EQ(SnapshotControl(disabled).text, "ab");
  EXPECT_EQ(FocusControl(Control(2)), paramErr);
  EXPECT_EQ(PasteText(field_, nullptr), paramErr);

  // A disabled field keeps its text and takes it up again when enabled.
  DisableControl(field_);
  EXPECT_EQ(TypeKey(window_.get(), 'z'), paramErr);
  EnableControl(field_);
  FailAllocations("Event", 1);
  EXPECT_EQ(TypeText(field_, "z"), memFullErr);
  EXPECT_EQ(SnapshotControl(field_).text, "h\u00fcbero");
}

TEST_F(EditTextTest, AFullFieldRefusesMoreText) {
  std::string full(32767, '1');
  SetFieldState(field_, full + "|");
  EXPECT_EQ(TypeKey(window_.get(), '2'), noErr);
  EXPECT_EQ(PasteText(field_, CFSTR("2")), paramErr);
  EXPECT_EQ(FieldState(field_), full + "|");
  SetFieldState(field_, "[1]" + full.substr(1));
  EXPECT_EQ(TypeKey(window_.get(), '2'), noErr);
  EXPECT_EQ(FieldState(field_), "2|" + full.substr(1));
}

}  // namespace
}  // namespace pde::test
