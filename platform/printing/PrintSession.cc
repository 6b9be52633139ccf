// PrintSession.cc: print sessions: their data store and the tickets they own.
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "pde/CFHost.h"
#include "pde/TestHooks.h"
#include "pde/PrintingHost.h"

struct OpaquePMPrintSession {
  pde::CFPtr<CFMutableDictionaryRef> data;
  std::vector<PMTicketRef> tickets;  // Disposed of with the session.
};

namespace pde {
namespace {

// Live sessions by address, so that a stale or made-up session is refused without being read.
// Never destroyed, like the ticket registry.
std::unordered_map<PMPrintSession, std::unique_ptr<OpaquePMPrintSession>>& LiveSessions() {
  static auto* sessions =
      new std::unordered_map<PMPrintSession, std::unique_ptr<OpaquePMPrintSession>>;
  return *sessions;
}

OpaquePMPrintSession* FindSession(PMPrintSession session) {
  auto found = LiveSessions().find(session);
  return found == LiveSessions().end() ? nullptr : found->second.get();
}

bool IsStringKey(CFStringRef key) { return key && CFGetTypeID(key) == CFStringGetTypeID(); }

}  // namespace

OSStatus CreatePrintSession(PMPrintSession* outSession) {
  if (!outSession) return paramErr;
  try {
    auto session = std::make_unique<OpaquePMPrintSession>();
    session->data = CFPtr<CFMutableDictionaryRef>(CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    if (!session->data) return memFullErr;
    PMPrintSession handle = session.get();
    LiveSessions().emplace(handle, std::move(session));
    *outSession = handle;
    return noErr;
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
}

void DisposePrintSession(PMPrintSession session) {
  auto found = LiveSessions().find(session);
  if (found == LiveSessions().end()) return;
  for (PMTicketRef ticket : found->second->tickets) DisposeTicket(ticket);
  LiveSessions().erase(found);
}

OSStatus PMSessionSetDataInSession(PMPrintSession session, CFStringRef key, CFTypeRef data) {
  OpaquePMPrintSession* record = FindSession(session);
  if (!record || !IsStringKey(key)) return paramErr;
  if (data) {
    CFDictionarySetValue(record->data.get(), key, data);
  } else {
    CFDictionaryRemoveValue(record->data.get(), key);
  }
  return noErr;
}

OSStatus AddTicketToSession(PMPrintSession session, CFStringRef key, PMTicketRef* outTicket) {
  OpaquePMPrintSession* record = FindSession(session);
  if (!record || !IsStringKey(key)) return paramErr;
  try {
    record->tickets.reserve(record->tickets.size() + 1);
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
  PMTicketRef ticket = CreateTicket();
  if (ticket == 0) return memFullErr;
  CFPtr<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &ticket));
  if (!number) {
    DisposeTicket(ticket);
    return memFullErr;
  }
  CFDictionarySetValue(record->data.get(), key, number.get());
  record->tickets.push_back(ticket);  // Cannot throw: room was reserved above.
  if (outTicket) *outTicket = ticket;
  return noErr;
}

}  // namespace pde

OSStatus PMSessionGetDataFromSession(PMPrintSession printSession, CFStringRef key,
                                     CFTypeRef* data) {
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("PMSessionGetDataFromSession", &injected)) return injected;
  OpaquePMPrintSession* record = pde::FindSession(printSession);
  if (!record || !pde::IsStringKey(key) || !data) return kPMInvalidParameter;
  CFTypeRef value = CFDictionaryGetValue(record->data.get(), key);
  if (!value) return kPMKeyNotFound;
  *data = value;
  return noErr;
}
