// PrintSessionTest.cc: print sessions, their data store, and tickets named by 32-bit handles.
#include <gtest/gtest.h>

#include <cstdint>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/PrintingHost.h"

namespace {

const CFStringRef kSettings = CFSTR(kPMPrintSettingsTicket);

// A session for one test, disposed of with the test.
class PrintSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(pde::CreatePrintSession(&session_), noErr); }
  void TearDown() override { pde::DisposePrintSession(session_); }

  // The ticket handle read back from the session's number, as the plug-in reads it.
  PMTicketRef TicketFromSession(CFStringRef key) {
    CFTypeRef stored = nullptr;
    EXPECT_EQ(PMSessionGetDataFromSession(session_, key, &stored), noErr);
    EXPECT_EQ(CFNumberGetType(static_cast<CFNumberRef>(stored)), kCFNumberSInt32Type);
    SInt32 value = 0;
    EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(stored), kCFNumberSInt32Type, &value));
    return value;
  }

  PMPrintSession session_ = nullptr;
};

TEST_F(PrintSessionTest, TicketHandleRoundTripsThroughItsNumberAndDiesWithTheSession) {
  long ticketsBefore = pde::LiveTicketCount();
  PMTicketRef settings = 0, info = 0;
  ASSERT_EQ(pde::AddTicketToSession(session_, kSettings, &settings), noErr);
  ASSERT_EQ(pde::AddTicketToSession(session_, CFSTR(kPMPrinterInfoTicket), &info), noErr);
  EXPECT_NE(settings, 0);
  EXPECT_NE(info, settings);
  EXPECT_EQ(TicketFromSession(kSettings), settings);
  EXPECT_EQ(TicketFromSession(CFSTR(kPMPrinterInfoTicket)), info);
  EXPECT_EQ(pde::LiveTicketCount(), ticketsBefore + 2);

  // The PPD dictionary is the ticket's own: a value set through one lookup is seen by the next.
  CFMutableDictionaryRef dict = nullptr, again = nullptr;
  ASSERT_EQ(PMTicketGetPPDDict(TicketFromSession(kSettings), kPMTopLevel, kPMTopLevel, &dict),
            noErr);
  CFDictionarySetValue(dict, CFSTR("PrintMode"), CFSTR("Private"));
  ASSERT_EQ(PMTicketGetPPDDict(settings, 0, 0, &again), noErr);
  EXPECT_EQ(again, dict);
  EXPECT_EQ(CFDictionaryGetValue(again, CFSTR("PrintMode")), CFSTR("Private"));

  pde::DisposePrintSession(session_);
  session_ = nullptr;
  EXPECT_EQ(pde::LiveTicketCount(), ticketsBefore);
  EXPECT_EQ(PMTicketGetPPDDict(settings, 0, 0, &dict), kPMInvalidTicket);
}

TEST_F(PrintSessionTest, HandlesNamingNoLiveTicketAreRefused) {
  PMTicketRef disposed = pde::CreateTicket();
  ASSERT_NE(disposed, 0);
  pde::DisposeTicket(disposed);
  PMTicketRef next = pde::CreateTicket();
  EXPECT_GT(next, disposed);  // Never reused.
  for (PMTicketRef bad : {0, -1, disposed, next + 1000, INT32_MAX, INT32_MIN}) {
    auto sentinel = reinterpret_cast<CFMutableDictionaryRef>(0x1);
    CFMutableDictionaryRef dict = sentinel;
    EXPECT_EQ(PMTicketGetPPDDict(bad, 0, 0, &dict), kPMInvalidTicket) << bad;
    EXPECT_EQ(dict, sentinel) << bad;
    EXPECT_FALSE(pde::IsLiveTicket(bad)) << bad;
    EXPECT_EQ(pde::SetTicketPPDPath(bad, "/x.ppd"), kPMInvalidTicket) << bad;
    EXPECT_EQ(pde::GetTicketPPDPath(bad), "") << bad;
  }
  CFMutableDictionaryRef dict = nullptr;
  EXPECT_EQ(PMTicketGetPPDDict(next, 1, 0, &dict), kPMInvalidParameter);
  EXPECT_EQ(PMTicketGetPPDDict(next, 0, 1, &dict), kPMInvalidParameter);
  EXPECT_EQ(PMTicketGetPPDDict(next, 0, 0, nullptr), kPMInvalidParameter);
  EXPECT_EQ(dict, nullptr);
  pde::DisposeTicket(next);
}

TEST_F(PrintSessionTest, DataStoreRetainsWhatItHoldsAndLendsIt) {
  CFStringRef key = CFSTR("com.example.key");
  pde::CFPtr<CFStringRef> value = pde::MakeString("value");
  ASSERT_EQ(pde::PMSessionSetDataInSession(session_, key, value.get()), noErr);
  EXPECT_EQ(CFGetRetainCount(value.get()), 2);
  CFTypeRef lent = nullptr;
  ASSERT_EQ(PMSessionGetDataFromSession(session_, key, &lent), noErr);
  EXPECT_EQ(lent, value.get());
  EXPECT_EQ(CFGetRetainCount(value.get()), 2);  // Borrowed: no reference added.

  ASSERT_EQ(pde::PMSessionSetDataInSession(session_, key, nullptr), noErr);
  EXPECT_EQ(CFGetRetainCount(value.get()), 1);
  lent = kSettings;
  EXPECT_EQ(PMSessionGetDataFromSession(session_, key, &lent), kPMKeyNotFound);
  EXPECT_EQ(lent, kSettings);  // Not written on failure.

  // The session's last reference goes with it.
  ASSERT_EQ(pde::PMSessionSetDataInSession(session_, key, value.get()), noErr);
  pde::DisposePrintSession(session_);
  session_ = nullptr;
  EXPECT_EQ(CFGetRetainCount(value.get()), 1);
}

TEST_F(PrintSessionTest, BadSessionsAndKeysAreRefused) {
  PMPrintSession disposed = nullptr;
  ASSERT_EQ(pde::CreatePrintSession(&disposed), noErr);
  pde::DisposePrintSession(disposed);
  pde::DisposePrintSession(disposed);  // A second disposal is ignored.
  SInt32 one = 1;
  pde::CFPtr<CFNumberRef> notAString(CFNumberCreate(nullptr, kCFNumberSInt32Type, &one));
  auto numberKey = reinterpret_cast<CFStringRef>(notAString.get());
  CFTypeRef data = nullptr;
  PMTicketRef ticket = 0;
  for (PMPrintSession bad :
       {static_cast<PMPrintSession>(nullptr), disposed, reinterpret_cast<PMPrintSession>(0x10)}) {
    EXPECT_EQ(PMSessionGetDataFromSession(bad, kSettings, &data), kPMInvalidParameter);
    EXPECT_EQ(pde::PMSessionSetDataInSession(bad, kSettings, kSettings), paramErr);
    EXPECT_EQ(pde::AddTicketToSession(bad, kSettings, &ticket), paramErr);
  }
  EXPECT_EQ(PMSessionGetDataFromSession(session_, nullptr, &data), kPMInvalidParameter);
  EXPECT_EQ(PMSessionGetDataFromSession(session_, numberKey, &data), kPMInvalidParameter);
  EXPECT_EQ(PMSessionGetDataFromSession(session_, kSettings, nullptr), kPMInvalidParameter);
  EXPECT_EQ(pde::AddTicketToSession(session_, numberKey, &ticket), paramErr);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(ticket, 0);
  EXPECT_EQ(pde::CreatePrintSession(nullptr), paramErr);
}

TEST_F(PrintSessionTest, FailuresAreReturnedOnceAndLeaveNothingBehind) {
  long ticketsBefore = pde::LiveTicketCount();
  PMTicketRef ticket = 0;
  CFTypeRef data = nullptr;
  pde::FailAllocations("CFNumber", 1);
  EXPECT_EQ(pde::AddTicketToSession(session_, kSettings, &ticket), memFullErr);
  pde::FailAllocations("CFDictionary", 1);
  EXPECT_EQ(pde::AddTicketToSession(session_, kSettings, &ticket), memFullErr);
  EXPECT_EQ(ticket, 0);
  EXPECT_EQ(pde::LiveTicketCount(), ticketsBefore);
  EXPECT_EQ(PMSessionGetDataFromSession(session_, kSettings, &data), kPMKeyNotFound);

  ASSERT_EQ(pde::AddTicketToSession(session_, kSettings, &ticket), noErr);
  pde::InjectFailure("PMSessionGetDataFromSession", -4242);
  EXPECT_EQ(PMSessionGetDataFromSession(session_, kSettings, &data), -4242);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(PMSessionGetDataFromSession(session_, kSettings, &data), noErr);
  pde::InjectFailure("PMTicketGetPPDDict", kPMInvalidTicket, 1, 1);
  CFMutableDictionaryRef dict = nullptr;
  EXPECT_EQ(PMTicketGetPPDDict(ticket, 0, 0, &dict), noErr);
  dict = nullptr;
  EXPECT_EQ(PMTicketGetPPDDict(ticket, 0, 0, &dict), kPMInvalidTicket);
  EXPECT_EQ(dict, nullptr);
}

}  // namespace
