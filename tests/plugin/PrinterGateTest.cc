// PrinterGateTest.cc: tickets taken out of a print session, and the printers the pane is for.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pane/apple-utilities.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

using pde::CFPtr;

TEST(GetTicketFromSessionTest, OnlyANumberThatFitsATicketHandleIsATicket) {
  TestSession session("", false);
  PMTicketRef ticket = 77;
  EXPECT_EQ(GetTicketFromSession(session.get(), CFSTR(kPMPrintSettingsTicket), &ticket),
            kPMInvalidTicket);
  EXPECT_EQ(ticket, 77);

  const SInt64 tooLarge = SInt64{1} << 40;
  const double fraction = 12.5;
  CFPtr<CFTypeRef> notTickets[] = {
      CFPtr<CFTypeRef>(CFStringCreateCopy(nullptr, CFSTR("12"))),
      CFPtr<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberSInt64Type, &tooLarge)),
      CFPtr<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberFloat64Type, &fraction))};
  for (const CFPtr<CFTypeRef>& value : notTickets) {
    ASSERT_EQ(pde::PMSessionSetDataInSession(session.get(), CFSTR("Key"), value.get()), noErr);
    EXPECT_EQ(GetTicketFromSession(session.get(), CFSTR("Key"), &ticket), kPMInvalidTicket);
    EXPECT_EQ(ticket, 77);
  }
  const SInt32 handle = -123456;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &handle));
  ASSERT_EQ(pde::PMSessionSetDataInSession(session.get(), CFSTR("Key"), number.get()), noErr);
  EXPECT_EQ(GetTicketFromSession(session.get(), CFSTR("Key"), nullptr), kPMInvalidTicket);
  EXPECT_EQ(GetTicketFromSession(session.get(), nullptr, &ticket), kPMInvalidTicket);
  EXPECT_EQ(GetTicketFromSession(session.get(), CFSTR("Key"), &ticket), noErr);
  EXPECT_EQ(ticket, handle);
  pde::InjectFailure("PMSessionGetDataFromSession", -30870);
  EXPECT_EQ(GetTicketFromSession(session.get(), CFSTR("Key"), &ticket), kPMInvalidTicket);
}

TEST(PrinterGateTest, ServesTheTwoModelNamesExactlyAndPrintsEveryNameItReads) {
  struct Case {
    std::string ppd;
    bool supported;
    const char* printed;
  };
  for (const Case& c :
       {Case{SamplePPD("VELMORA-q-RX730.ppd"), true, "VELMORA q-RX730Series\n"},
        Case{SamplePPD("VELMORA-q-RX310-730.ppd"), true, "VELMORA q-RX310/730Series\n"},
        Case{SamplePPD("Generic-Laser.ppd"), false, "Generic PostScript Laser\n"},
        Case{DataPath("model-lowercase.ppd"), false, "velmora q-RX730Series\n"},
        Case{DataPath("model-trailing-space.ppd"), false, "VELMORA q-RX730Series \n"},
        Case{DataPath("no-modelname.ppd"), false, ""},
        Case{"", false, ""}}) {
    TestSession session(c.ppd);
    testing::internal::CaptureStderr();
    EXPECT_EQ(IsPDENeededForThisPrinter(session.get()), c.supported) << c.ppd;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed) << c.ppd;
  }
}

// The failure matrix declines the pane for every failure of the PPD library; here what the gate
// prints when the name cannot be read.
TEST(PrinterGateTest, ANameThatCannotBeReadIsEmptyAndServesNoPrinter) {
  TestSession session(SamplePPD("VELMORA-q-RX730.ppd"));
  pde::InjectFailure("ppdGetInvocationString", paramErr);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(IsPDENeededForThisPrinter(session.get()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\n");
}

}  // namespace
}  // namespace zor::test
