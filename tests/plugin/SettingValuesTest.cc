// SettingValuesTest.cc: pop-ups read as and set from PPD values, and the five-digit fields read
// padded, split into per-digit keys and joined back.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

using pde::CFPtr;

std::string Take(CFStringRef string) {
  CFPtr<CFStringRef> owned(string);
  return string ? pde::ToUTF8(string) : "<null>";
}

class SettingValuesTest : public BundleTest {
 protected:
  // The value of the pop-up, then its menu's check marks ('x' checked, '-' not).
  std::string Shown(ControlRef popup) const {
    std::string shown = std::to_string(GetControl32BitValue(popup)) + " ";
    MenuRef menu = GetControlPopupMenuHandle(popup);
    for (MenuItemIndex item = 1; item <= CountMenuItems(menu); ++item) {
      shown += IsMenuItemChecked(menu, item) ? 'x' : '-';
    }
    return shown;
  }

  NibWindow nib_;
  ControlRef printMode_ = nib_.Control(kZORPrintModeID);
  ControlRef department_ = nib_.Control(kZORDepartmentID);
  ControlRef blankPages_ = nib_.Control(kZORBlankPagesID);
  ControlRef thinLines_ = nib_.Control(kZORDistinguishThinLinesID);
  ControlRef din_ = nib_.Control(kZORDINID);
};

TEST_F(SettingValuesTest, GetReturnsTheExactValueOfEachItemAndTheFirstOutsideTheMenu) {
  const std::pair<SInt32, const char*> printModes[] = {
      {-1, "Normal"}, {0, "Normal"}, {1, "Normal"}, {2, "Proof"},
      {3, "Private"}, {4, "Hold"},   {5, "Normal"}};
  for (auto [value, expected] : printModes) {
    SetControl32BitValue(printMode_, value);
    EXPECT_EQ(CFStringCompare(GetPrintMode(printMode_), pde::MakeString(expected).get(), 0),
              kCFCompareEqualTo)
        << "for input " << value;
  }
  for (auto [value, expected] : {std::pair{0, "False"}, {1, "False"}, {2, "True"}, {3, "False"}}) {
    for (ControlRef popup : {department_, blankPages_, thinLines_}) {
      SetControl32BitValue(popup, value);
    }
    EXPECT_EQ(pde::ToUTF8(GetDepartmentCode(department_)) + " " +
                  pde::ToUTF8(GetBlankPages(blankPages_)) + " " +
                  pde::ToUTF8(GetDistinguishThinLines(thinLines_)),
              std::string(expected) + " " + expected + " " + expected)
        << "for input " << value;
  }
}

TEST_F(SettingValuesTest, SetComparesExactlyFallsBackToTheFirstItemAndMovesTheCheckMark) {
  // Each value that is not in the table follows one that is, so that falling back shows.
  const std::pair<const char*, const char*> printModes[] = {
      {"Proof", "2 -x--"},   {"private", "1 x---"}, {"Hold", "4 ---x"},    {"HOLD", "1 x---"},
      {"Private", "3 --x-"}, {"Proof ", "1 x---"},  {"Proof", "2 -x--"},   {"", "1 x---"},
      {"Hold", "4 ---x"},    {"True", "1 x---"},    {"Private", "3 --x-"}, {"Normal", "1 x---"}};
  for (auto [value, shown] : printModes) {
    SetPrintMode(printMode_, pde::MakeString(value).get());
    EXPECT_EQ(Shown(printMode_), shown) << "for input " << value;
  }
  for (auto [value, item] : {std::pair{"True", 2},
                             {"true", 1},
                             {"True", 2},
                             {"False", 1},
                             {"True", 2},
                             {"", 1},
                             {"True", 2},
                             {"Yes", 1}}) {
    CFPtr<CFStringRef> text = pde::MakeString(value);
    SetDepartmentCode(department_, text.get());
    SetBlankPages(blankPages_, text.get());
    SetDistinguishThinLines(thinLines_, text.get());
    for (ControlRef popup : {department_, blankPages_, thinLines_}) {
      EXPECT_EQ(GetControl32BitValue(popup), item) << "for input " << value;
    }
  }
  // A stray mark on an item not shown stays; setting the item shown marks it again.
  CheckMenuItem(GetControlPopupMenuHandle(printMode_), 2, true);
  SetPrintMode(printMode_, CFSTR("Hold"));
  SetPrintMode(printMode_, CFSTR("Hold"));
  EXPECT_EQ(Shown(printMode_), "4 -x-x");

  HostWindow host;  // a pop-up without a menu is still set
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
    EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(din_, 5)), padded) << "for input " << text;
    EXPECT_EQ(FieldText(din_), text) << "the field itself is not changed";
  }
  SetFieldText(din_, "12");
  EXPECT_EQ(Take(CreateZeroPaddedDigitsFromTextField(din_, -3)), "12");
  std::string digits;
  for (SInt8 offset = -1; offset <= 5; ++offset) {
    digits += Take(CreateNthDigitFromTextField(din_, offset, 5)) + ",";
  }
  EXPECT_EQ(digits, "<null>,0,0,0,1,2,<null>,");
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
  HostWindow host;  // an unreadable field leaves the keys as they were
  SetIndividualDigitsInPPDFromTextField(host.pane(), 5, CFSTR("DCDigit"), dict.get());
  EXPECT_EQ(DictDump(dict.get()),
            "DCDigit1=9 DINDigit1=1 DINDigit2=2 DINDigit3=3 DINDigit4=4 DINDigit5=5");

  SetDigitsInTextField(din_, CFSTR("98x7654321"));
  EXPECT_EQ(FieldText(din_), "98x7654321") << "shown exactly as given";
}

TEST_F(SettingValuesTest, DigitsFromADictionaryAreAllOrNothing) {
  CFPtr<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  auto join = [&](CFDictionaryRef from, SInt8 width) {
    return Take(CreateDigitsFromPPDDict(from, CFSTR("DCDigit"), width));
  };
  for (const char* key : {"DCDigit1", "DCDigit2", "DCDigit3", "DCDigit4", "DCDigit5"}) {
    SetDictString(dict.get(), key, &key[7]);
  }
  EXPECT_EQ(join(dict.get(), 5) + join(dict.get(), 0) + join(dict.get(), -2) + join(dict.get(), 6),
            "12345<null><null>");
  EXPECT_EQ(join(nullptr, 5), "<null>");
  EXPECT_EQ(Take(CreateDigitsFromPPDDict(dict.get(), nullptr, 5)), "<null>");
  SetDictString(dict.get(), "DCDigit2", "22");
  SetDictString(dict.get(), "DCDigit3", "");
  EXPECT_EQ(join(dict.get(), 5), "12245") << "values are appended whole, an empty one counts";

  for (const char* missing : {"DCDigit1", "DCDigit5"}) {
    CFPtr<CFMutableDictionaryRef> partial(CFDictionaryCreateMutableCopy(nullptr, 0, dict.get()));
    CFDictionaryRemoveValue(partial.get(), pde::MakeString(missing).get());
    EXPECT_EQ(join(partial.get(), 5), "<null>") << "without " << missing;
  }
  // A value that is not a string leaves the code incomplete.
  int three = 3;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &three));
  CFDictionarySetValue(dict.get(), CFSTR("DCDigit3"), number.get());
  EXPECT_EQ(join(dict.get(), 5), "<null>");
}

}  // namespace
}  // namespace zor::test
