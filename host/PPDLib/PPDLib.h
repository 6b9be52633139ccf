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

/* Parses the PPD file that the printer-info ticket names. On 0, *context and *ppdFile (the file's
   base name, vRefNum 0, a parID of the context's own) are filled and must be handed to
   ppdCloseCompiledPPDFromTicket; on failure neither is written. paramErr for a null out-pointer;
   kPMInvalidTicket for a handle that names no live ticket; kPPDFileNotFoundErr when the ticket
   names no file or it cannot be read; kPPDMalformedErr, with the file and line on standard error,
   for a file that is not a PPD file or is too large (over 8 MiB or 65536 keyword lines). */
CF_EXPORT OSStatus ppdOpenCompiledPPDFromTicket(PMTicketRef printerInfoTicket, PPDContext* context,
                                                FSSpec* ppdFile);
/* Index of the main keyword keyword (a Pascal string, without the leading '*'); 0 when absent or
   for a context that is not open. Main keywords are numbered from 1 in order of first appearance;
   one that appears again keeps its first value. */
CF_EXPORT Mindex ppdGetMainIndex(PPDContext context, ConstStr255Param keyword);
/* Writes the value of the main keyword at index to buffer as a Pascal string of at most
   min(255, bufferSize - 1) bytes, the file's bytes as they stand. option must be 0 (a main
   keyword's value). paramErr for a null buffer, a bufferSize of 0, a context that is not open, an
   index that names no keyword or another option; the buffer then holds an empty string when it
   has room for one, also when an injected failure is returned. */
CF_EXPORT OSStatus ppdGetInvocationString(PPDContext context, Mindex index, UInt16 option,
                                          StringPtr buffer, UInt32 bufferSize);
/* Frees the context, whatever the result: it must not be used or closed again. paramErr for a
   context that is not open, or when ppdFile is null or not the FSSpec handed out on open. */
CF_EXPORT OSStatus ppdCloseCompiledPPDFromTicket(PPDContext context, FSSpec* ppdFile);

#ifdef __cplusplus
}
#endif

#endif
