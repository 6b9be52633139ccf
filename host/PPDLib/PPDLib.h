/* PPDLib.h: the compiled-PPD library: a printer's PPD, opened from its printer-info ticket. */
#ifndef PDE_HOST_PPDLIB_H
#define PDE_HOST_PPDLIB_H

#include "../PrintCore/PMCore.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaquePPDContext* PPDContext;
/* Index of a main keyword; 0 means absent. */
typedef SInt16 Mindex;

/* Names the PPD file that was opened; handed back on close. */
typedef struct FSSpec {
  SInt16 vRefNum;
  SInt32 parID;
  Str63 name;
} FSSpec;

enum {
  kPPDFileNotFoundErr = -43,
  kPPDMalformedErr = -30950
};

/* Parses the PPD file that the printer-info ticket names. On 0, *context and *ppdFile are filled
   and must be handed to ppdCloseCompiledPPDFromTicket. */
CF_EXPORT OSStatus ppdOpenCompiledPPDFromTicket(PMTicketRef printerInfoTicket, PPDContext* context,
                                                FSSpec* ppdFile);
/* Index of the main keyword keyword (a Pascal string, without the leading '*'); 0 when absent. */
CF_EXPORT Mindex ppdGetMainIndex(PPDContext context, ConstStr255Param keyword);
/* Writes the value of the main keyword at index to buffer as a Pascal string, cut to fit
   bufferSize (at most 255 characters). option selects an option keyword's choice; 0 for a main
   keyword's value. */
CF_EXPORT OSStatus ppdGetInvocationString(PPDContext context, Mindex index, UInt16 option,
                                          StringPtr buffer, UInt32 bufferSize);
/* Frees the context; paramErr when ppdFile is not the file it was opened with. */
CF_EXPORT OSStatus ppdCloseCompiledPPDFromTicket(PPDContext context, FSSpec* ppdFile);

#ifdef __cplusplus
}
#endif

#endif
