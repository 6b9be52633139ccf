/* zor-source.h: the pane: printer gate, construction, lifecycle, settings exchange with the
   print-settings ticket, summary text and the relationships between its controls. */
#ifndef ZOR_SOURCE_H
#define ZOR_SOURCE_H

#include <Carbon/Carbon.h>
#include <PrintCore/PMPrintingDialogExtensions.h>

#include "zor-globals.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Width of the DIN and the department code, and the code a field gets when the ticket holds no
   complete one. */
#define kZORDigitCodeLength 5
#define kZORDefaultDigitCode CFSTR("58203")

/* Control IDs of the nib, all with the signature kZORSignature. */
enum {
  kZORInvisiblePaneID = 1,
  kZORPrintModeID = 5,
  kZORDINID = 6,
  kZORDepartmentID = 7,
  kZORDCID = 8,
  kZORBlankPagesID = 9,
  kZORDistinguishThinLinesID = 10
};

/* ---- Printer gate ---- */

/* True when the printer of the session, by the ModelName of its PPD, is one the pane serves
   ("VELMORA q-RX730Series" or "VELMORA q-RX310/730Series", compared exactly). Prints the model
   name to standard error when one is read. False when the printer-info ticket is missing, the PPD
   cannot be opened, has no ModelName or cannot be closed. */
Boolean IsPDENeededForThisPrinter(PMPrintSession printSession);

/* ---- Construction ---- */

/* First dialog-extension call. Writes a new pane context to *context on every path (null, with
   memFullErr (-108), when memory is exhausted), kZORSignature to *creator and kPDEUserOptionKind
   to *userOptionKind; on success also the nib window's content size to *maxH and *maxV and its
   title, owned by the caller, to *title. Returns 0; kPMInvalidPDEContext (-9530) when the nib
   window cannot be loaded; the toolkit's status when its bounds or title cannot be read (maxH and
   maxV are written only when the bounds were read); paramErr (-50), writing nothing, for a null
   argument. */
OSStatus Prologue(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                  CFStringRef* title, UInt32* maxH, UInt32* maxV);

/* Loads a fresh copy of the window "Window" of the nib "PDE" in the plug-in bundle. Returns the
   window, owned by the caller (DisposeWindow), or null when the bundle, the nib or the window is
   missing. */
WindowRef CreatePDEWindow(void);

/* Returns the control of inSourceWindow with the given ID (borrowed), or null. */
ControlRef GetControlFromWindow(WindowRef inSourceWindow, OSType inControlSignature,
                                SInt32 inControlID);

/* Moves the control with the given ID, and all it contains, from inSourceWindow into
   inDestinationPane: its position in the window's content is shifted by the pane's top-left
   corner and by half of what the content region is wider or taller than the pane (never
   negative). Returns EmbedControl's status; paramErr (-50) for a null window or pane; the
   toolkit's status, moving nothing, when the control or the content region cannot be found. */
OSStatus MoveControlToPane(WindowRef inSourceWindow, OSType inControlSignature, SInt32 inControlID,
                           ControlRef inDestinationPane);

/* ---- Lifecycle ---- */

/* Fills the host's parentUserPane with the pane for a supported printer: moves the nib's content
   in, records the controls, loads them from the print-settings ticket, attaches the key filters
   and the command handler, and applies the relationships. Returns 0 or the status of loading the
   controls from the ticket; kPMInvalidPDEContext (-9530), touching neither the context nor
   *flags, for an unsupported printer, and after disposing of the nib window when a control is
   missing; paramErr (-50) for a null context or flags. ref is not used. */
OSStatus Initialize(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                    ControlRef parentUserPane, PMPrintSession printSession);

/* With reinitializePlugin 1, loads the controls from the ticket (SyncPaneFromTicket); with any
   other value stores them into it (SyncTicketFromPane). Returns the callee's status; paramErr
   (-50) for a null context. */
OSStatus Sync(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugin);

/* Do nothing; return 0. */
OSStatus Open(PMPDEContext context);
OSStatus Close(PMPDEContext context);

/* Removes and releases the relationship timer, detaches the key filters and the command handler,
   and frees the context. Returns 0 for any context, null included; status is not used. */
OSStatus Terminate(PMPDEContext context, OSStatus status);

/* ---- Pop-up codec: item index <-> PPD value ---- */

/* Each Get returns the PPD value of the selected item, a constant string that is borrowed and
   never null: "Normal", "Proof", "Private", "Hold" for items 1 to 4 of the print mode ("Normal"
   for any other value); "False", "True" for items 1 and 2 of a switch ("False" for any other). */
CFStringRef GetPrintMode(ControlRef inPrintModeControl);
CFStringRef GetDepartmentCode(ControlRef inDepartmentCodeControl);
CFStringRef GetBlankPages(ControlRef inBlankPagesControl);
CFStringRef GetDistinguishThinLines(ControlRef inDistinguishThinLinesControl);

/* Each Set selects the item of the value, compared exactly and case-sensitively; any value not
   in the table (null included) selects item 1. The check mark of the item shown before is
   removed first when the pop-up has a menu. The value is not retained. */
void SetPrintMode(ControlRef inPrintModeControl, CFStringRef inPrintMode);
void SetDepartmentCode(ControlRef inDepartmentCodeControl, CFStringRef inDepartmentCode);
void SetBlankPages(ControlRef inBlankPagesControl, CFStringRef inBlankPages);
void SetDistinguishThinLines(ControlRef inDistinguishThinLinesControl,
                             CFStringRef inDistinguishThinLines);

/* ---- Digit fields ---- */

/* Returns a new string, owned by the caller: the field's text padded on the left with '0' to
   inMaxLength characters (a longer text whole); null when the field cannot be read or memory is
   exhausted. */
CFStringRef CreateZeroPaddedDigitsFromTextField(ControlRef inDigitControl, SInt8 inMaxLength);

/* Returns a new one-character string, owned by the caller: the character at inDigitOffset (from
   0) of the padded text; null when the field cannot be read, the offset lies outside the padded
   text, or memory is exhausted. */
CFStringRef CreateNthDigitFromTextField(ControlRef inDigitControl, SInt8 inDigitOffset,
                                        SInt8 inMaxLength);

/* Shows inDigits in the field exactly as given; the caller keeps its reference. */
void SetDigitsInTextField(ControlRef inDigitControl, CFStringRef inDigits);

/* Returns a new string, owned by the caller: the string values of the keys <prefix>1 to
   <prefix>inMaxLength, joined in order. Null when the dictionary or the prefix is null, the width
   is 0, any key is missing or holds something other than a string, or memory is exhausted. A
   negative width gives an empty string. */
CFStringRef CreateDigitsFromPPDDict(CFDictionaryRef inPPDDict, CFStringRef inKeyPrefix,
                                    SInt8 inMaxLength);

/* Stores the first inMaxLength characters of the field's padded text, one per key, under
   <prefix>1 to <prefix>inMaxLength. A digit that cannot be made is skipped, leaving its key as it
   was; other keys are not touched. */
void SetIndividualDigitsInPPDFromTextField(ControlRef inDigitControl, SInt8 inMaxLength,
                                           CFStringRef inPPDValuePrefix,
                                           CFMutableDictionaryRef inPPDDict);

/* ---- Ticket synchronisation ---- */

/* Writes the six settings into the PPD dictionary of the session's print-settings ticket:
   DeptCode, PrintMode, BlankPage, DistinguishThinLines, DINDigit1-5, DCDigit1-5. Returns 0;
   the status of the ticket access unchanged (kPMInvalidTicket (-30891) without a print-settings
   ticket), writing nothing; paramErr (-50) for a null context. */
OSStatus SyncTicketFromPane(PMPDEContext context, PMPrintSession printSession);

/* Loads the six settings from the ticket, putting the default ("Normal", "False", "58203") in
   place of a missing value or one that is not a string, then applies the relationships. Returns
   0; the status of the ticket access unchanged, touching no control; paramErr (-50) for a null
   context. */
OSStatus SyncPaneFromTicket(PMPDEContext context, PMPrintSession printSession);

/* ---- Summary ---- */

/* Builds two parallel arrays, passed to the caller who releases them: the localized titles of
   the rows print mode, DIN (in "Private" mode), blank pages, distinguish thin lines and
   department code (when its switch is "True"), and the settings shown (a pop-up's item text, a
   field's padded text). A digit row whose field cannot be read is left out. Returns 0;
   kPMGeneralError (-30870) when a pop-up has no menu; the toolkit's status when an item text
   cannot be read; memFullErr (-108) when memory is exhausted; paramErr (-50) for a null argument.
   On failure nothing is written. */
OSStatus GetSummaryText(PMPDEContext context, CFArrayRef* titleArray, CFArrayRef* summaryArray);

/* ---- Control relationships ---- */

/* Enables the DIN field exactly when the print mode is "Private". */
void EnforcePrivatePrintModeRelationship(PMPDEContext context);
/* Enables the department code field exactly when its switch is "True". */
void EnforceDepartmentCodeRelationship(PMPDEContext context);
/* Both rules, the print mode's first. A null context is ignored by all three. */
void EnforceRelationships(PMPDEContext context);

/* Installs HandleRelationships for command events on the content pane. A failed installation
   leaves both handler fields null. */
void AttachRelationshipHandlers(PMPDEContext context);
/* Removes the command handler and disposes of its procedure pointer, clearing both fields. */
void DetachRelationshipHandlers(PMPDEContext context);

/* The command handler: schedules a relationship pass and lets the command continue; always
   returns eventNotHandledErr (-9874). inUserData is the pane context. */
OSStatus HandleRelationships(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                             void* inUserData);

/* Arms the relationship timer to fire now, creating it on first use in the current run loop's
   common modes. A failed creation is written to the system log and tried again next time. */
void ScheduleRelationshipUpdate(void* inUserData);

/* The timer's callback: applies both rules to the pane context inUserData. */
void DelayedRelationshipCallback(CFRunLoopTimerRef timer, void* inUserData);

#ifdef __cplusplus
}
#endif

#endif
