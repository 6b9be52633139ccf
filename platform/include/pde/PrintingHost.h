// PrintingHost.h: host-only side of the printing system: sessions and tickets.
#pragma once

#include <string>

#include "../../../host/PrintCore/PMCore.h"

namespace pde {

// Creates a print session; *outSession is disposed of with DisposePrintSession.
OSStatus CreatePrintSession(PMPrintSession* outSession);
// Disposes of the session and releases everything its data store holds.
void DisposePrintSession(PMPrintSession session);
// Stores data (retained; null removes the key) in the session's data store under key.
OSStatus PMSessionSetDataInSession(PMPrintSession session, CFStringRef key, CFTypeRef data);

// Creates a ticket with an empty PPD dictionary and returns its handle; 0 on failure.
PMTicketRef CreateTicket();
// Destroys the ticket; its handle then names nothing.
void DisposeTicket(PMTicketRef ticket);
// Names the PPD file of a printer-info ticket.
OSStatus SetTicketPPDPath(PMTicketRef ticket, const std::string& path);
// The PPD file a printer-info ticket names; empty when none.
std::string GetTicketPPDPath(PMTicketRef ticket);

// Creates a ticket and stores it in the session under key as a CFNumber of its handle. The
// session owns the ticket and disposes of it with itself.
OSStatus AddTicketToSession(PMPrintSession session, CFStringRef key, PMTicketRef* outTicket);

// Number of live tickets.
long LiveTicketCount();

}  // namespace pde
