/* apple-utilities.c: taking a ticket out of a print session. */
#include "apple-utilities.h"

OSStatus GetTicketFromSession(PMPrintSession printSession, CFStringRef ticket, void* container) {
  CFTypeRef cfTicketRef = NULL;
  SInt32 ticketValue = 0;

  if (container == NULL || ticket == NULL) return kPMInvalidTicket;
  if (PMSessionGetDataFromSession(printSession, ticket, &cfTicketRef) != noErr ||
      cfTicketRef == NULL)
    return kPMInvalidTicket;
  /* The session is trusted with nothing: only a number that fits a ticket handle is a ticket. */
  if (CFGetTypeID(cfTicketRef) != CFNumberGetTypeID() ||
      !CFNumberGetValue((CFNumberRef)cfTicketRef, kCFNumberSInt32Type, &ticketValue))
    return kPMInvalidTicket;
  *(SInt32*)container = ticketValue;
  return noErr;
}
