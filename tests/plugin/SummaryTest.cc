// SummaryTest.cc: the summary rows the pane hands the print dialog.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

class SummaryTest : public BundleTest {
 protected:
  // A pane context over the nib window's controls, as Initialize records them.
  SummaryTest() {
    pane_.control_PrintMode = nib_.Control(kZORPrintModeID);
    pane_.control_DIN = nib_.Control(kZORDINID);
    pane_.control_Department = nib_.Control(kZORDepartmentID);
    pane_.control_DC = nib_.Control(kZORDCID);
    pane_.control_BlankPages = nib_.Control(kZORBlankPagesID);
    pane_.control_DistinguishThinLines = nib_.Control(kZORDistinguishThinLinesID);
    SetFieldText(pane_.control_DIN, "12");
    SetFieldText(pane_.control_DC, "1234567");
  }

  // "titles/settings" of a successful call, or the status of a failed one.
  std::string Summary() {
    CFArrayRef titles = kSentinel, summaries = kSentinel;
    OSStatus status = GetSummaryText(reinterpret_cast<PMPDEContext>(&pane_), &titles, &summaries);
    if (status != noErr) {
      EXPECT_EQ(titles, kSentinel);
      EXPECT_EQ(summaries, kSentinel);
      return std::to_string(status);
    }
    EXPECT_EQ(CFArrayGetCount(titles), CFArrayGetCount(summaries));
    std::string result = JoinStrings(titles) + "/" + JoinStrings(summaries);
    CFRelease(titles);
    CFRelease(summaries);
    return result;
  }

  void Show(SInt32 printMode, SInt32 department) {
    SetControl32BitValue(pane_.control_PrintMode, printMode);
    SetControl32BitValue(pane_.control_Department, department);
  }

  const CFArrayRef kSentinel = reinterpret_cast<CFArrayRef>(&pane_);
  NibWindow nib_;
  ZOR_PDEContext pane_{};
};

// The golden sessions check the rows of each print mode and the German titles, end to end.
TEST_F(SummaryTest, CodesArePaddedNotCutAndAFieldOrTitlesThatCannotBeReadAreLeftOut) {
  Show(3, 2);
  SetControl32BitValue(pane_.control_BlankPages, 2);
  EXPECT_EQ(Summary(),
            "Print Mode|DIN|Blank Pages|Distinguish Thin Lines|Department Code/"
            "Private|00012|On|Off|1234567");
  EXPECT_EQ(FieldText(pane_.control_DIN), "12");
  HostWindow host;
  pane_.control_DC = host.pane();  // a digit field that cannot be read has no row
  EXPECT_EQ(Summary(), "Print Mode|DIN|Blank Pages|Distinguish Thin Lines/Private|00012|On|Off");
  pane_.control_DIN = host.pane();
  EXPECT_EQ(Summary(), "Print Mode|Blank Pages|Distinguish Thin Lines/Private|On|Off");
  pane_.control_DIN = nib_.Control(kZORDINID);

  const std::string missing = "Missing Localizable.strings";
  const std::string allMissing = missing + "|" + missing + "|" + missing + "|" + missing;
  bundle_ = pde::CFPtr<CFBundleRef>();  // the pane's bundle is gone
  EXPECT_EQ(Summary(), allMissing + "/Private|00012|On|Off");
  bundle_ = pde::OpenBundle(DataPath("MissingKeys.plugin"));
  ASSERT_TRUE(bundle_);
  EXPECT_EQ(Summary(), allMissing + "/Private|00012|On|Off");
}

TEST_F(SummaryTest, FailuresReturnNothing) {
  Show(3, 2);
  HostWindow host;  // a user pane has no menu
  pane_.control_BlankPages = host.pane();
  EXPECT_EQ(Summary(), "-30870");
  pane_.control_BlankPages = nib_.Control(kZORBlankPagesID);
  pde::InjectFailure("CopyMenuItemTextAsCFString", menuItemNotFoundErr, 1, 2);
  EXPECT_EQ(Summary(), std::to_string(menuItemNotFoundErr));
  SetControl32BitValue(pane_.control_PrintMode, 5);
  EXPECT_EQ(Summary(), std::to_string(menuItemNotFoundErr)) << "the value is no item";
  SetControl32BitValue(pane_.control_PrintMode, 3);
  pde::FailAllocations("CFArray", 1, 1);
  EXPECT_EQ(Summary(), std::to_string(memFullErr));
  CFArrayRef titles = nullptr;
  EXPECT_EQ(GetSummaryText(nullptr, &titles, &titles), paramErr);
  EXPECT_EQ(GetSummaryText(reinterpret_cast<PMPDEContext>(&pane_), nullptr, &titles), paramErr);
}

}  // namespace
}  // namespace zor::test
