// PrintingHost.h: host-only side of the printing system: sessions and tickets.
//
// Sessions and tickets live on the host's main thread; nothing here is locked.
#pragma once

#include <string>

#include "../../../host/PrintCore/PMCore.h"

namespace pde {

// Creates a print session with an empty data store; *outSession is disposed of with
// DisposePrintSession. paramErr for a null outSession, memFullErr when out of memory.
OSStatus CreatePrintSession(PMPrintSession* outSession);
// Disposes of the session, its tickets and everything its data store holds. A session that is
// not live (null, disposed of, made up) is ignored.
void DisposePrintSession(PMPrintSession session);
// Stores data (retained; null removes the key) in the session's data store under key. paramErr
// for a session that is not live or a key that is not a string.
OSStatus PMSessionSetDataInSession(PMPrintSession session, CFStringRef key, CFTypeRef data);

// Creates a ticket with an empty PPD dictionary and returns its handle; 0 on failure. Handles
// are never reused within a run; the ticket lives until DisposeTicket.
PMTicketRef CreateTicket();
// Destroys the ticket; its handle then names nothing. A handle that names no ticket is ignored.
void DisposeTicket(PMTicketRef ticket);
// True when ticket names a live ticket.
bool IsLiveTicket(PMTicketRef ticket);
// Names the PPD file of a printer-info ticket. kPMInvalidTicket for a handle that names no live
// ticket.
OSStatus SetTicketPPDPath(PMTicketRef ticket, const std::string& path);
// The PPD file a printer-info ticket names; empty when none or when the ticket is not live.
std::string GetTicketPPDPath(PMTicketRef ticket);

// Creates a ticket and stores it in the session under key as a CFNumber (kCFNumberSInt32Type)
// of its handle. The session owns the ticket and disposes of it with itself. *outTicket, when
// outTicket is not null, receives the handle. paramErr for a session that is not live or a key
// that is not a string; memFullErr when the ticket or its number cannot be made.
OSStatus AddTicketToSession(PMPrintSession session, CFStringRef key, PMTicketRef* outTicket);

// Number of live tickets.
long LiveTicketCount();

}  // namespace pde
