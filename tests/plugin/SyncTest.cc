// SyncTest.cc: the six settings between the pane and the print-settings ticket, both directions.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

using pde::CFPtr;

class SyncTest : public PaneTest {
 protected:
  CFMutableDictionaryRef settings() const { return session_->Settings(); }
  void SetDigits(const char* prefix, const char* digits) {
    for (int i = 0; digits[i] != '\0'; ++i) {
      SetDictString(settings(), (prefix + std::to_string(i + 1)).c_str(),
                    std::string(1, digits[i]).c_str());
    }
  }
  // The pop-up values 5, 7, 9, 10, the two fields and which of them are enabled, as
  // "items|DIN|DC|enabled".
  std::string Shown() const {
    std::string shown;
    for (ControlRef popup : {pane().control_PrintMode, pane().control_Department,
                             pane().control_BlankPages, pane().control_DistinguishThinLines}) {
      shown += std::to_string(GetControl32BitValue(popup));
    }
    return shown + "|" + FieldText(pane().control_DIN) + "|" + FieldText(pane().control_DC) + "|" +
           (IsControlEnabled(pane().control_DIN) ? "DIN" : "") +
           (IsControlEnabled(pane().control_DC) ? "DC" : "");
  }
};

// The golden sessions write all fourteen keywords, keep the keys the pane does not know, and read
// printed lines back in; here the values they cannot give.
TEST_F(SyncTest, TicketValuesFillThePaneAndIncompleteCodesOrOtherObjectsGiveTheDefault) {
  EXPECT_EQ(CFDictionaryGetCount(settings()), 0) << "filling the pane writes nothing";
  SetDictString(settings(), "PrintMode", "Private");
  SetDictString(settings(), "DeptCode", "True");
  SetDictString(settings(), "BlankPage", "True");
  SetDictString(settings(), "DistinguishThinLines", "false");
  SetDigits("DINDigit", "98765");
  SetDigits("DCDigit", "1234");
  ASSERT_EQ(Sync(context_, session_->get(), true), noErr);
  EXPECT_EQ(Shown(), "3221|98765|58203|DINDC");

  // Values that are not strings count as missing.
  int one = 1;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &one));
  for (const char* key : {"PrintMode", "DeptCode", "BlankPage", "DINDigit3"}) {
    CFDictionarySetValue(settings(), pde::MakeString(key).get(), number.get());
  }
  ASSERT_EQ(Sync(context_, session_->get(), true), noErr);
  EXPECT_EQ(Shown(), "1111|58203|58203|");
  // Any other value than true writes the ticket.
  ASSERT_EQ(Sync(context_, session_->get(), 2), noErr);
  EXPECT_EQ(DictString(settings(), "PrintMode"), "Normal");
}

TEST_F(SyncTest, TicketFailuresAreReturnedAndChangeNothing) {
  SetDictString(settings(), "PrintMode", "Hold");
  pde::InjectFailure("PMTicketGetPPDDict", kPMGeneralError, 2);
  EXPECT_EQ(Sync(context_, session_->get(), true), kPMGeneralError);
  EXPECT_EQ(Sync(context_, session_->get(), false), kPMGeneralError);
  EXPECT_EQ(DictDump(settings()), "PrintMode=Hold");
  EXPECT_EQ(Shown(), "1111|58203|58203|");

  TestSession noSettings(SamplePPD("VELMORA-q-RX730.ppd"), false);
  EXPECT_EQ(Sync(context_, noSettings.get(), true), kPMInvalidTicket);
  EXPECT_EQ(Sync(context_, noSettings.get(), false), kPMInvalidTicket);
  EXPECT_EQ(Shown(), "1111|58203|58203|");
}

TEST_F(SyncTest, AnInitializeWithoutSettingsTicketReportsItButStillFiltersTyping) {
  TerminatePane();
  TestSession noSettings(SamplePPD("VELMORA-q-RX730.ppd"), false);
  HostWindow host;
  PMPDEFlags flags = 0;
  EXPECT_EQ(PrologueAndInitialize(&context_, &flags, noSettings, host), kPMInvalidTicket);
  ASSERT_EQ(pde::ChoosePopupItem(pane().control_PrintMode, 3), eventNotHandledErr);
  pde::RunLoopRunOnePass();
  ASSERT_EQ(pde::TypeText(pane().control_DIN, "1a2345 6"), noErr);
  EXPECT_EQ(FieldText(pane().control_DIN), "12345");
  TerminatePane();  // before the host disposes of its window
}

}  // namespace
}  // namespace zor::test
