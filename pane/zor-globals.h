/* zor-globals.h: the pane's constants and the context record kept between the host's calls. */
#ifndef ZOR_GLOBALS_H
#define ZOR_GLOBALS_H

#include <Carbon/Carbon.h>
#include <PrintCore/PMPrintingDialogExtensions.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 'zor ': the creator code of the pane and the signature of every control ID in its nib. */
#define kZORSignature ((OSType)0x7A6F7220)

/* Identifier of the plug-in bundle; equals CFBundleIdentifier in the bundle's Info.plist. */
#define kPDEBundleID CFSTR("org.pdekit.ZORPDE")

/* The kind of pane reported to the print dialog. */
#define kPDEUserOptionKind CFSTR("org.pdekit.print.pde.ZORPane")

/* Everything one pane instance holds between the host's calls. Created zero-filled; the controls
   belong to the host's pane once embedded, the filter records, the command handler and the timer
   belong to the pane and are released by Terminate. */
typedef struct ZOR_PDEContext {
  ControlRef parentUserPane;               /* never filled: the pane is reached through its controls */
  ControlRef control_InvisiblePane;        /* content pane (ID 1); carries the command handler */
  ControlRef control_PrintMode;            /* print-mode pop-up (ID 5) */
  ControlRef control_DIN;                  /* DIN edit text (ID 6) */
  ControlRef control_Department;           /* department-code switch pop-up (ID 7) */
  ControlRef control_DC;                   /* department-code edit text (ID 8) */
  ControlRef control_BlankPages;           /* blank-pages pop-up (ID 9) */
  ControlRef control_DistinguishThinLines; /* distinguish-thin-lines pop-up (ID 10) */
  void* constraintLength_DIN;              /* five-character limit on the DIN field */
  void* constraintLength_DC;               /* five-character limit on the DC field */
  void* constraintDigitOnly_DIN;           /* digits-only filter on the DIN field */
  void* constraintDigitOnly_DC;            /* digits-only filter on the DC field */
  EventHandlerUPP relationshipHandlerUPP;  /* the command handler's procedure pointer */
  EventHandlerRef relationshipEventRef;    /* the installed command handler */
  CFRunLoopTimerRef updateRelationshipsTimer; /* the deferred relationship timer, owned */
} ZOR_PDEContext;

typedef ZOR_PDEContext* ZOR_PDEContextPtr;

/* Returns a new zero-filled context, owned by the caller and freed with DisposeZORContext, or
   null when memory is exhausted. */
ZOR_PDEContextPtr CreateZORContext(void);

/* Returns the context that the host's opaque word carries; no check is made, null gives null. */
ZOR_PDEContextPtr GetZORContext(PMPDEContext inContext);

/* Frees the record and nothing its fields refer to; null is ignored. */
void DisposeZORContext(ZOR_PDEContextPtr inZORContext);

#ifdef __cplusplus
}
#endif

#endif
