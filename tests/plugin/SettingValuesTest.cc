// SettingValuesTest.cc: pop-ups read as and set from PPD values, and the five-digit fields read
// padded, split into per-digit keys and joined back.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

using pde::CFPtr;

class SettingValuesTest : public BundleTest {
 protected:
  NibWindow nib_;
  ControlRef printMode_ = nib_.Control(kZORPrintModeID);
  ControlRef blankPages_ = nib_.Control(kZORBlankPagesID);
  ControlRef din_ = nib_.Control(kZORDINID);
};

std::string Text(CFStringRef string) { return string ? pde::ToUTF8(string) : "<null>"; }

std::string Take(CFStringRef string) {
  CFPtr<CFStringRef> owned(string);
  return Text(string);
}

TEST_F(SettingValuesTest, GetReturnsTheExactValueOfEachItemAndTheFirstOutsideTheMenu) {
  const std::pair<SInt32, const char*> printModes[] = {
      {-1, "Normal"}, {0, "Normal"}, {1, "Normal"}, {2, "Proof"},
      {3, "Private"}, {4, "Hold"},   {5, "Normal"}};
  for (auto [value, expected] : printModes) {
    SetControl32BitValue(printMode_, value);
    EXPECT_EQ(CFStringCompare(GetPrintMode(printMode_), pde::MakeString(expected).get(), 0),
              kCFCompareEqualTo)
        << value;
  }
  const std::pair<SInt32, const char*> switches[] = {{0, "False"}, {1, "False"}, {2, "True"},
                                                     {3, "False"}};
  for (auto [value, expected] : switches) {
    for (SInt32 id : {kZORDepartmentID, kZORBlankPagesID, kZORDistinguishThinLinesID}) {
      SetControl32BitValue(nib_.Control(id), value);
    }
    EXPECT_EQ(Text(GetDepartmentCode(nib_.Control(kZORDepartmentID))), expected) << value;
    EXPECT_EQ(Text(GetBlankPages(blankPages_)), expected) << value;
    EXPECT_EQ(Text(GetDistinguishThinLines(nib_.Control(kZORDistinguishThinLinesID))), expected);
  }
}

TEST_F(SettingValuesTest, SetComparesExactlyAndFallsBackToTheFirstItem) {
  const std::pair<const char*, SInt32> printModes[] = {
      {"Normal", 1}, {"Proof", 2},   {"Private", 3}, {"Hold", 4},  {"private", 1},
      {"HOLD", 1},   {"Proof ", 1},  {"", 1},        {"True", 1}};
  for (auto [value, item] : printModes) {
    SetControl32BitValue(printMode_, 4);
    SetPrintMode(printMode_, pde::MakeString(value).get());
    EXPECT_EQ(GetControl32BitValue(printMode_), item) << value;
  }
  const std::pair<const char*, SInt32> switches[] = {
      {"True", 2}, {"true", 1}, {"False", 1}, {"", 1}, {"Yes", 1}};
  for (auto [value, item] : switches) {
    ControlRef department = nib_.Control(kZORDepartmentID);
    SetDepartmentCode(department, pde::MakeString(value).get());
    SetBlankPages(blankPages_, pde::MakeString(value).get());
    SetDistinguishThinLines(nib_.Control(kZORDistinguishThinLinesID), pde::MakeString(value).get());
    EXPECT_EQ(GetControl32BitValue(department), item) << value;
    EXPECT_EQ(GetControl32BitValue(blankPages_), item) << value;
    EXPECT_EQ(GetControl32BitValue(nib_.Control(kZORDistinguishThinLinesID)), item) << value;
  }
}

TEST_F(SettingValuesTest, SetMovesTheCheckMarkEvenToTheItemAlreadyShown) {
  MenuRef menu = GetControlPopupMenuHandle(printMode_);
  ASSERT_NE(menu, nullptr);
  SetPrintMode(printMode_, CFSTR("Proof"));
  EXPECT_FALSE(IsMenuItemChecked(menu, 1));
  EXPECT_TRUE(IsMenuItemChecked(menu, 2));
  SetPrintMode(printMode_, CFSTR("Hold"));
  EXPECT_FALSE(IsMenuItemChecked(menu, 2));
  EXPECT_TRUE(IsMenuItemChecked(menu, 4));
  CheckMenuItem(menu, 1, true);  // a stray mark on an item not shown stays
  SetPrintMode(printMode_, CFSTR("Hold"));
  EXPECT_TRUE(IsMenuItemChecked(menu, 4));
  EXPECT_TRUE(IsMenuItemChecked(menu, 1));
  EXPECT_EQ(GetControl32BitValue(printMode_), 4);
}

TEST_F(SettingValuesTest, APopupWithoutMenuIsStillSet) {
  HostWindow host;
  SetPrintMode(host.pane(), CFSTR("Hold"));
  EXPECT_EQ(GetControl32BitValue(host.pane()), 4);
  SetBlankPages(host.pane(), CFSTR("True"));
  EXPECT_EQ(GetControl32BitValue(host.pane()), 2);
}

TEST_F(SettingValuesTest, FieldTextIsPaddedOnTheLeftAndNeverCut) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "00000"}, {"12", "00012"}, {"12345", "12345"}, {"1234567", "1234567"}, {"a1", "000a1"}};
  for (auto [text, padded] : cases) {
    SetFieldText(din_, text);
    EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(din_, 5)), padded) << text;
    EXPECT_EQ(FieldText(din_), text) << "the field itself is not changed";
  }
  SetFieldText(din_, "12");
  EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(din_, -3)), "12");
  for (SInt8 offset = 0; offset < 5; ++offset) {
    EXPECT_EQ(Take(CreateNthDigitFromTextField(din_, offset, 5)), std::string("00012").substr(offset, 1));
  }
  EXPECT_EQ(Take(CreateNthDigitFromTextField(din_, 5, 5)), "<null>");
  EXPECT_EQ(Take(CreateNthDigitFromTextField(din_, -1, 5)), "<null>");
  HostWindow host;  // a user pane holds no text
  EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(host.pane(), 5)), "<null>");
  EXPECT_EQ(Take(CreateNthDigitFromTextField(host.pane(), 0, 5)), "<null>");
  pde::FailAllocations("CFString", 1);
  EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(din_, 5)), "<null>");
}

TEST_F(SettingValuesTest, DigitsGoToTheirKeysOneByOneAndOnlyTheFirstFive) {
  CFPtr<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  SetDictString(dict.get(), "DCDigit1", "9");
  SetFieldText(din_, "1234567");
  SetIndividualDigitsInPPDFromTextField(din_, 5, CFSTR("DINDigit"), dict.get());
  SetIndividualDigitsInPPDFromTextField(din_, 5, CFSTR("DINDigit"), dict.get());
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 6);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(DictString(dict.get(), ("DINDigit" + std::to_string(i)).c_str()), std::to_string(i));
  }
  EXPECT_EQ(DictString(dict.get(), "DCDigit1"), "9");

  HostWindow host;  // an unreadable field leaves the keys as they were
  SetIndividualDigitsInPPDFromTextField(host.pane(), 5, CFSTR("DCDigit"), dict.get());
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 6);
  EXPECT_EQ(DictString(dict.get(), "DCDigit1"), "9");

  SetDigitsInTextField(din_, CFSTR("98x7654321"));
  EXPECT_EQ(FieldText(din_), "98x7654321") << "shown exactly as given";
}

TEST_F(SettingValuesTest, DigitsFromADictionaryAreAllOrNothing) {
  CFPtr<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  auto join = [&](SInt8 width) { return Take(CreateDigitsFromPPDDict(dict.get(), CFSTR("DCDigit"), width)); };
  for (const char* key : {"DCDigit1", "DCDigit2", "DCDigit3", "DCDigit4", "DCDigit5"}) {
    SetDictString(dict.get(), key, &key[7]);
  }
  EXPECT_EQ(join(5), "12345");
  EXPECT_EQ(join(0), "<null>");
  EXPECT_EQ(join(-2), "");
  EXPECT_EQ(join(6), "<null>");
  SetDictString(dict.get(), "DCDigit2", "22");
  SetDictString(dict.get(), "DCDigit3", "");
  EXPECT_EQ(join(5), "12245") << "values are appended whole, an empty one counts";
  EXPECT_EQ(Take(CreateDigitsFromPPDDict(nullptr, CFSTR("DCDigit"), 5)), "<null>");
  EXPECT_EQ(Take(CreateDigitsFromPPDDict(dict.get(), nullptr, 5)), "<null>");

  for (const char* missing : {"DCDigit1", "DCDigit5"}) {
    CFPtr<CFMutableDictionaryRef> partial(CFDictionaryCreateMutableCopy(nullptr, 0, dict.get()));
    CFDictionaryRemoveValue(partial.get(), pde::MakeString(missing).get());
    EXPECT_EQ(Take(CreateDigitsFromPPDDict(partial.get(), CFSTR("DCDigit"), 5)), "<null>") << missing;
  }
  // A value that is not a string leaves the code incomplete.
  int three = 3;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &three));
  CFDictionarySetValue(dict.get(), CFSTR("DCDigit3"), number.get());
  EXPECT_EQ(join(5), "<null>");
}

}  // namespace
}  // namespace zor::test
