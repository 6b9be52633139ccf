// ConstraintsTest.cc: the key filters of the digit fields, for every key byte and field state.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "constraints/zor-controlconstraints.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

bool IsDigit(int byte) { return byte >= '0' && byte <= '9'; }
bool IsPrintable(int byte) { return byte >= 0x20 && byte <= 0x7E; }

class ConstraintsTest : public BundleTest {
 protected:
  // What the filter record decides for a key event carrying byte.
  OSStatus Decide(void* record, unsigned char byte) {
    EventRef event = nullptr;
    EXPECT_EQ(CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyDown, 0, 0, &event), noErr);
    SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &byte);
    OSStatus result = TextConstraint(nullptr, event, record);
    ReleaseEvent(event);
    return result;
  }

  NibWindow nib_;
  ControlRef field_ = nib_.Control(kZORDINID);
};

TEST_F(ConstraintsTest, EveryKeyByteInEveryFieldState) {
  void* length = AttachTextLengthConstraint(field_, 5);
  void* digits = AttachTextDigitOnlyConstraint(field_);
  void* unknown = AttachTextConstraint(field_, 3, 5);
  ASSERT_NE(length, nullptr);
  ASSERT_NE(digits, nullptr);
  ASSERT_NE(unknown, nullptr);
  struct State {
    const char* text;
    SInt16 selStart, selEnd;
    bool room;
  };
  for (const State& s : {State{"1234", 4, 4, true}, State{"12345", 5, 5, false},
                         State{"12345", 1, 3, true}, State{"1234567", 7, 7, false}}) {
    SetFieldText(field_, s.text);
    ASSERT_EQ(pde::SelectText(field_, s.selStart, s.selEnd), noErr);
    for (int byte = 0; byte < 256; ++byte) {
      const auto key = static_cast<unsigned char>(byte);
      const OSStatus passes = eventNotHandledErr;
      std::string where = std::string(s.text) + " byte " + std::to_string(byte);
      EXPECT_EQ(Decide(length, key), !IsPrintable(byte) || s.room ? passes : noErr) << where;
      EXPECT_EQ(Decide(digits, key), !IsPrintable(byte) || IsDigit(byte) ? passes : noErr) << where;
      EXPECT_EQ(Decide(unknown, key), !IsPrintable(byte) ? passes : noErr) << where;
    }
  }
  for (int byte = -128; byte < 128; ++byte) {
    EXPECT_EQ(TextDigitOnlyConstraint(static_cast<char>(byte)),
              IsDigit(byte) ? OSStatus{eventNotHandledErr} : OSStatus{noErr})
        << byte;
  }
  DetachTextConstraint(length);
  DetachTextConstraint(digits);
  DetachTextConstraint(unknown);
  DetachTextConstraint(nullptr);
}

TEST_F(ConstraintsTest, LengthChecksTheTextAndTheSelection) {
  SetFieldText(field_, "");
  EXPECT_EQ(TextLengthConstraint(field_, 0), noErr);
  EXPECT_EQ(TextLengthConstraint(field_, -1), noErr);
  SetFieldText(field_, "123");
  ASSERT_EQ(pde::SelectText(field_, 1, 2), noErr);
  EXPECT_EQ(TextLengthConstraint(field_, 0), eventNotHandledErr);
  EXPECT_EQ(TextLengthConstraint(field_, 4), eventNotHandledErr);
  ASSERT_EQ(pde::SelectText(field_, 2, 2), noErr);
  EXPECT_EQ(TextLengthConstraint(field_, 3), noErr);
  pde::InjectFailure("GetControlData", errDataNotSupported);  // the text
  EXPECT_EQ(TextLengthConstraint(field_, 3), eventNotHandledErr);
  pde::InjectFailure("GetControlData", errDataNotSupported, 1, 1);  // the selection
  EXPECT_EQ(TextLengthConstraint(field_, 3), eventNotHandledErr);
  HostWindow host;
  EXPECT_EQ(TextLengthConstraint(host.pane(), 3), eventNotHandledErr);
}

// The digit-fields session types through both filters end to end; here what it cannot do.
TEST_F(ConstraintsTest, AKeyThatCannotBeReadOrAnyKeyOnceDetachedReachesTheField) {
  void* filters[] = {AttachTextLengthConstraint(field_, 5), AttachTextDigitOnlyConstraint(field_)};
  SetFieldText(field_, "12345");
  ASSERT_EQ(pde::TypeText(field_, "6x"), noErr);
  EXPECT_EQ(FieldText(field_), "12345");
  pde::InjectFailure("GetEventParameter", eventParameterNotFoundErr, 2);
  ASSERT_EQ(pde::TypeText(field_, "a"), noErr);
  EXPECT_EQ(FieldText(field_), "12345a");
  for (void* filter : filters) DetachTextConstraint(filter);
  ASSERT_EQ(pde::TypeText(field_, "b"), noErr);
  EXPECT_EQ(FieldText(field_), "12345ab");
}

TEST_F(ConstraintsTest, AFilterThatCannotBeInstalledLeavesNothingBehind) {
  EXPECT_EQ(AttachTextLengthConstraint(nullptr, 5), nullptr);
  pde::InjectFailure("InstallEventHandler", memFullErr);
  EXPECT_EQ(AttachTextDigitOnlyConstraint(field_), nullptr);  // the test's end finds nothing left
  EXPECT_EQ(TextConstraint(nullptr, nullptr, nullptr), eventNotHandledErr);
}

}  // namespace
}  // namespace zor::test
