// Tickets.cc: the registry that maps 32-bit ticket handles to tickets and their PPD dictionaries.
#include <cstdint>
#include <map>
#include <new>
#include <string>

#include "pde/CFHost.h"
#include "pde/TestHooks.h"
#include "pde/PrintingHost.h"

namespace pde {
namespace {

struct Ticket {
  CFPtr<CFMutableDictionaryRef> ppdDict;
  std::string ppdPath;  // Set only on a printer-info ticket.
};

// Live tickets by handle. Never destroyed: tickets a host forgets must not be released after the
// Core Foundation layer has gone at exit.
std::map<PMTicketRef, Ticket>& LiveTickets() {
  static auto* tickets = new std::map<PMTicketRef, Ticket>;
  return *tickets;
}

// The last handle given out; handles count up from 1 and are never reused.
PMTicketRef lastHandle = 0;

Ticket* FindTicket(PMTicketRef ticket) {
  auto found = LiveTickets().find(ticket);
  return found == LiveTickets().end() ? nullptr : &found->second;
}

}  // namespace

PMTicketRef CreateTicket() {
  if (lastHandle == INT32_MAX) return 0;  // Every handle has been used once.
  CFPtr<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  if (!dict) return 0;
  try {
    PMTicketRef handle = lastHandle + 1;
    LiveTickets().emplace(handle, Ticket{std::move(dict), {}});
    lastHandle = handle;
    return handle;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

void DisposeTicket(PMTicketRef ticket) { LiveTickets().erase(ticket); }

bool IsLiveTicket(PMTicketRef ticket) { return FindTicket(ticket) != nullptr; }

OSStatus SetTicketPPDPath(PMTicketRef ticket, const std::string& path) {
  Ticket* record = FindTicket(ticket);
  if (!record) return kPMInvalidTicket;
  try {
    record->ppdPath = path;
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
  return noErr;
}

std::string GetTicketPPDPath(PMTicketRef ticket) {
  const Ticket* record = FindTicket(ticket);
  return record ? record->ppdPath : std::string();
}

long LiveTicketCount() { return static_cast<long>(LiveTickets().size()); }

}  // namespace pde

OSStatus PMTicketGetPPDDict(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFMutableDictionaryRef* dict) {
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("PMTicketGetPPDDict", &injected)) return injected;
  if (!dict) return kPMInvalidParameter;
  pde::Ticket* record = pde::FindTicket(ticket);
  if (!record) return kPMInvalidTicket;
  if (nodeIndex1 != kPMTopLevel || nodeIndex2 != kPMTopLevel) return kPMInvalidParameter;
  *dict = record->ppdDict.get();
  return noErr;
}
