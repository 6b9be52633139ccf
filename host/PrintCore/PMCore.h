/* PMCore.h: print sessions, their data store and the tickets' PPD dictionaries. */
#ifndef PDE_HOST_PMCORE_H
#define PDE_HOST_PMCORE_H

#include "../CoreFoundation/CoreFoundation.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaquePMPrintSession* PMPrintSession;
/* A ticket is a 32-bit handle that the printing system maps to the ticket; 0 names none. A
   session keeps it in its data store as a CFNumber of kCFNumberSInt32Type. */
typedef SInt32 PMTicketRef;

#define kPMPrinterInfoTicket "PMPrinterInfoTicket"
#define kPMPrintSettingsTicket "PMPrintSettingsTicket"

enum { kPMTopLevel = 0 };

enum {
  kPMGeneralError = -30870,
  kPMInvalidParameter = -50,
  kPMInvalidTicket = -30891,
  kPMKeyNotFound = -30895
};

/* Borrowed: the object the session stores under key; kPMKeyNotFound when there is none;
   kPMInvalidParameter for a session that is not live, a key that is not a string or a null data.
   *data is written only on success. */
CF_EXPORT OSStatus PMSessionGetDataFromSession(PMPrintSession printSession, CFStringRef key,
                                               CFTypeRef* data);
/* Borrowed: the ticket's own live, mutable PPD dictionary; a value set in it is the ticket's.
   Only the top level (kPMTopLevel, kPMTopLevel) exists: kPMInvalidParameter for another level or
   a null dict. kPMInvalidTicket for a handle that names no live ticket. */
CF_EXPORT OSStatus PMTicketGetPPDDict(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                                      CFMutableDictionaryRef* dict);

#ifdef __cplusplus
}
#endif

#endif
