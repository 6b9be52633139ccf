/* apple-utilities.h: taking a ticket out of a print session. */
#ifndef ZOR_APPLE_UTILITIES_H
#define ZOR_APPLE_UTILITIES_H

#include <PrintCore/PMCore.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the ticket reference the session stores under the data-store key ticket
   ("PMPrinterInfoTicket" or "PMPrintSettingsTicket") into container, which must point at a
   PMTicketRef. Returns 0 on success. Returns kPMInvalidTicket (-30891), leaving *container
   untouched, when the session holds nothing under the key, when what it holds is not a number or
   does not fit a signed 32-bit value, or when an argument is null. The stored number is borrowed
   from the session. */
OSStatus GetTicketFromSession(PMPrintSession printSession, CFStringRef ticket, void* container);

#ifdef __cplusplus
}
#endif

#endif
