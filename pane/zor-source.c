/* zor-source.c: the pane: printer gate, construction, lifecycle, settings exchange with the
   print-settings ticket, summary text and the relationships between its controls. */
#include "zor-source.h"

#include <stdlib.h>
#include <syslog.h>

#include <PPDLib/PPDLib.h>

#include "../constraints/zor-controlconstraints.h"
#include "apple-utilities.h"

/* PPD values of the pop-up items. */
#define kPrintModeNormal CFSTR("Normal")
#define kPrintModeProof CFSTR("Proof")
#define kPrintModePrivate CFSTR("Private")
#define kPrintModeHold CFSTR("Hold")
#define kSwitchFalse CFSTR("False")
#define kSwitchTrue CFSTR("True")

/* PPD keywords of the print-settings ticket. */
#define kPPDPrintModeKey CFSTR("PrintMode")
#define kPPDDeptCodeKey CFSTR("DeptCode")
#define kPPDBlankPageKey CFSTR("BlankPage")
#define kPPDDistinguishThinLinesKey CFSTR("DistinguishThinLines")
#define kPPDDINDigitPrefix CFSTR("DINDigit")
#define kPPDDCDigitPrefix CFSTR("DCDigit")

/* Title of a summary row whose localized title cannot be found. */
#define kMissingSummaryTitle CFSTR("Missing Localizable.strings")

/* Seconds added to the current time to make the relationship timer's interval. */
#define kRelationshipTimerIntervalOffset 86400.0

/* ==== Printer gate ==== */

Boolean IsPDENeededForThisPrinter(PMPrintSession printSession) {
  static const unsigned char kModelNameKeyword[] = {9, 'M', 'o', 'd', 'e', 'l', 'N', 'a', 'm', 'e'};
  Boolean supportedPrinter = false;
  PMTicketRef printerInfoTicket = 0;
  PPDContext ppdContext = NULL;
  FSSpec ppdFile = {0, 0, {0}};
  Str255 modelStr = {0};
  Mindex modelIndex;

  if (GetTicketFromSession(printSession, CFSTR(kPMPrinterInfoTicket), &printerInfoTicket) != noErr)
    return false;
  if (ppdOpenCompiledPPDFromTicket(printerInfoTicket, &ppdContext, &ppdFile) != noErr) return false;

  modelIndex = ppdGetMainIndex(ppdContext, kModelNameKeyword);
  if (modelIndex != 0) {
    CFStringRef model;
    (void)ppdGetInvocationString(ppdContext, modelIndex, 0, modelStr, sizeof(modelStr));
    model = CFStringCreateWithPascalString(CFAllocatorGetDefault(), modelStr,
                                           kCFStringEncodingMacRoman);
    if (model != NULL) {
      const CFStringRef kSupportedModelNames[] = {CFSTR("VELMORA q-RX730Series"),
                                                  CFSTR("VELMORA q-RX310/730Series")};
      size_t nameIndex;
      CFShow(model);
      for (nameIndex = 0; nameIndex < sizeof(kSupportedModelNames) / sizeof(kSupportedModelNames[0]);
           ++nameIndex) {
        if (CFStringCompare(model, kSupportedModelNames[nameIndex], 0) == kCFCompareEqualTo) {
          supportedPrinter = true;
          break;
        }
      }
      CFRelease(model);
    }
  }

  if (ppdCloseCompiledPPDFromTicket(ppdContext, &ppdFile) != noErr) return false;
  return supportedPrinter;
}

/* ==== Construction ==== */

WindowRef CreatePDEWindow(void) {
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(kPDEBundleID);
  IBNibRef pdeNib = NULL;
  WindowRef window = NULL;
  OSStatus status;

  if (bundle == NULL) return NULL;
  if (CreateNibReferenceWithCFBundle(bundle, CFSTR("PDE"), &pdeNib) != noErr) return NULL;
  status = CreateWindowFromNib(pdeNib, CFSTR("Window"), &window);
  DisposeNibReference(pdeNib);
  return status == noErr ? window : NULL;
}

ControlRef GetControlFromWindow(WindowRef inSourceWindow, OSType inControlSignature,
                                SInt32 inControlID) {
  ControlID controlID = {inControlSignature, inControlID};
  ControlRef control = NULL;
  if (GetControlByID(inSourceWindow, &controlID, &control) != noErr) return NULL;
  return control;
}

/* Half of what outer exceeds inner, truncated toward zero; 0 when outer is not larger. The
   extents are differences of 16-bit coordinates and may exceed 16 bits themselves: only the
   halved result is narrowed. */
static SInt16 CenteringDelta(SInt32 inOuterExtent, SInt32 inInnerExtent) {
  SInt16 delta = (SInt16)((inOuterExtent - inInnerExtent) / 2);
  return delta < 0 ? 0 : delta;
}

OSStatus MoveControlToPane(WindowRef inSourceWindow, OSType inControlSignature, SInt32 inControlID,
                           ControlRef inDestinationPane) {
  ControlID controlID = {inControlSignature, inControlID};
  ControlRef controlToMove = NULL;
  Rect sourceWindowBounds = {0, 0, 0, 0};
  Rect controlToMoveBounds = {0, 0, 0, 0};
  Rect destinationBounds = {0, 0, 0, 0};
  SInt16 horizontalDelta;
  SInt16 verticalDelta;
  OSStatus status;

  if (inSourceWindow == NULL || inDestinationPane == NULL) return paramErr;
  status = GetControlByID(inSourceWindow, &controlID, &controlToMove);
  if (status != noErr) return status;
  status = GetWindowBounds(inSourceWindow, kWindowContentRgn, &sourceWindowBounds);
  if (status != noErr) return status;

  GetControlBounds(controlToMove, &controlToMoveBounds);
  GetControlBounds(inDestinationPane, &destinationBounds);
  horizontalDelta = CenteringDelta(sourceWindowBounds.right - sourceWindowBounds.left,
                                   destinationBounds.right - destinationBounds.left);
  verticalDelta = CenteringDelta(sourceWindowBounds.bottom - sourceWindowBounds.top,
                                 destinationBounds.bottom - destinationBounds.top);
  OffsetRect(&controlToMoveBounds, (SInt16)(destinationBounds.left + horizontalDelta),
             (SInt16)(destinationBounds.top + verticalDelta));
  SetControlBounds(controlToMove, &controlToMoveBounds);
  return EmbedControl(controlToMove, inDestinationPane);
}

OSStatus Prologue(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                  CFStringRef* title, UInt32* maxH, UInt32* maxV) {
  ZOR_PDEContextPtr zorContext;
  OSStatus status;

  if (context == NULL || creator == NULL || userOptionKind == NULL || title == NULL ||
      maxH == NULL || maxV == NULL)
    return paramErr;

  zorContext = CreateZORContext();
  *context = (PMPDEContext)(void*)zorContext;
  if (zorContext == NULL) {
    status = memFullErr;
  } else {
    WindowRef window = CreatePDEWindow();
    if (window == NULL) {
      status = kPMInvalidPDEContext;
    } else {
      Rect contentBounds = {0, 0, 0, 0};
      status = GetWindowBounds(window, kWindowContentRgn, &contentBounds);
      if (status == noErr) {
        *maxH = (UInt32)(contentBounds.right - contentBounds.left);
        *maxV = (UInt32)(contentBounds.bottom - contentBounds.top);
        status = CopyWindowTitleAsCFString(window, title);
      }
      DisposeWindow(window);
    }
  }
  *creator = kZORSignature;
  *userOptionKind = kPDEUserOptionKind;
  return status;
}

/* ==== Lifecycle ==== */

OSStatus Initialize(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                    ControlRef parentUserPane, PMPrintSession printSession) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  WindowRef pdeNibWindow;
  WindowRef parentWindow;
  OSStatus status;
  (void)ref;

  if (zorContext == NULL || flags == NULL) return paramErr;
  if (!IsPDENeededForThisPrinter(printSession)) return kPMInvalidPDEContext;

  zorContext->updateRelationshipsTimer = NULL;
  *flags = kPMPDENoFlags;

  pdeNibWindow = CreatePDEWindow();
  /* A failed move shows as missing controls below. */
  (void)MoveControlToPane(pdeNibWindow, kZORSignature, kZORInvisiblePaneID, parentUserPane);

  parentWindow = GetControlOwner(parentUserPane);
  zorContext->control_InvisiblePane =
      GetControlFromWindow(parentWindow, kZORSignature, kZORInvisiblePaneID);
  zorContext->control_PrintMode = GetControlFromWindow(parentWindow, kZORSignature, kZORPrintModeID);
  zorContext->control_DIN = GetControlFromWindow(parentWindow, kZORSignature, kZORDINID);
  zorContext->control_Department =
      GetControlFromWindow(parentWindow, kZORSignature, kZORDepartmentID);
  zorContext->control_DC = GetControlFromWindow(parentWindow, kZORSignature, kZORDCID);
  zorContext->control_BlankPages =
      GetControlFromWindow(parentWindow, kZORSignature, kZORBlankPagesID);
  zorContext->control_DistinguishThinLines =
      GetControlFromWindow(parentWindow, kZORSignature, kZORDistinguishThinLinesID);

  if (zorContext->control_InvisiblePane == NULL || zorContext->control_PrintMode == NULL ||
      zorContext->control_DIN == NULL || zorContext->control_Department == NULL ||
      zorContext->control_DC == NULL || zorContext->control_BlankPages == NULL ||
      zorContext->control_DistinguishThinLines == NULL) {
    if (pdeNibWindow != NULL) DisposeWindow(pdeNibWindow);
    return kPMInvalidPDEContext;
  }
  if (pdeNibWindow != NULL) DisposeWindow(pdeNibWindow);

  status = Sync(context, printSession, true);

  zorContext->constraintLength_DIN =
      AttachTextLengthConstraint(zorContext->control_DIN, kZORDigitCodeLength);
  zorContext->constraintLength_DC =
      AttachTextLengthConstraint(zorContext->control_DC, kZORDigitCodeLength);
  zorContext->constraintDigitOnly_DIN = AttachTextDigitOnlyConstraint(zorContext->control_DIN);
  zorContext->constraintDigitOnly_DC = AttachTextDigitOnlyConstraint(zorContext->control_DC);
  AttachRelationshipHandlers(context);
  EnforceRelationships(context);
  return status;
}

OSStatus Sync(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugin) {
  if (GetZORContext(context) == NULL) return paramErr;
  if (reinitializePlugin == true) return SyncPaneFromTicket(context, printSession);
  return SyncTicketFromPane(context, printSession);
}

OSStatus Open(PMPDEContext context) {
  (void)context;
  return noErr;
}

OSStatus Close(PMPDEContext context) {
  (void)context;
  return noErr;
}

OSStatus Terminate(PMPDEContext context, OSStatus status) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  (void)status;

  if (zorContext == NULL) return noErr;
  if (zorContext->updateRelationshipsTimer != NULL) {
    CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), zorContext->updateRelationshipsTimer,
                         kCFRunLoopCommonModes);
    CFRunLoopTimerInvalidate(zorContext->updateRelationshipsTimer);
    CFRelease(zorContext->updateRelationshipsTimer);
    zorContext->updateRelationshipsTimer = NULL;
  }
  DetachTextConstraint(zorContext->constraintLength_DIN);
  DetachTextConstraint(zorContext->constraintLength_DC);
  DetachTextConstraint(zorContext->constraintDigitOnly_DIN);
  DetachTextConstraint(zorContext->constraintDigitOnly_DC);
  DetachRelationshipHandlers(context);
  DisposeZORContext(zorContext);
  return noErr;
}

/* ==== Pop-up codec ==== */

/* The value of the selected item in inValues (item 1 first); inValues[0] for a value outside. */
static CFStringRef GetPopupValue(ControlRef inPopupControl, const CFStringRef* inValues,
                                 SInt32 inValueCount) {
  SInt32 item = GetControl32BitValue(inPopupControl);
  return (item >= 1 && item <= inValueCount) ? inValues[item - 1] : inValues[0];
}

/* Selects the item whose value equals inValue exactly, item 1 when none does, after removing the
   check mark of the item shown before. */
static void SetPopupValue(ControlRef inPopupControl, const CFStringRef* inValues,
                          SInt32 inValueCount, CFStringRef inValue) {
  SInt32 chosenItem = 1;
  SInt32 item;
  MenuRef menu;

  if (inPopupControl == NULL) return;
  for (item = 2; item <= inValueCount; ++item) {
    if (CFStringCompare(inValue, inValues[item - 1], 0) == kCFCompareEqualTo) {
      chosenItem = item;
      break;
    }
  }
  menu = GetControlPopupMenuHandle(inPopupControl);
  if (menu != NULL)
    CheckMenuItem(menu, (MenuItemIndex)(GetControl32BitValue(inPopupControl) & 0xFFFF), false);
  SetControl32BitValue(inPopupControl, chosenItem);
}

CFStringRef GetPrintMode(ControlRef inPrintModeControl) {
  const CFStringRef printModes[] = {kPrintModeNormal, kPrintModeProof, kPrintModePrivate,
                                    kPrintModeHold};
  return GetPopupValue(inPrintModeControl, printModes, 4);
}

void SetPrintMode(ControlRef inPrintModeControl, CFStringRef inPrintMode) {
  const CFStringRef printModes[] = {kPrintModeNormal, kPrintModeProof, kPrintModePrivate,
                                    kPrintModeHold};
  SetPopupValue(inPrintModeControl, printModes, 4, inPrintMode);
}

/* The three switches share one table. */
static CFStringRef GetSwitchValue(ControlRef inSwitchControl) {
  const CFStringRef switchValues[] = {kSwitchFalse, kSwitchTrue};
  return GetPopupValue(inSwitchControl, switchValues, 2);
}

static void SetSwitchValue(ControlRef inSwitchControl, CFStringRef inValue) {
  const CFStringRef switchValues[] = {kSwitchFalse, kSwitchTrue};
  SetPopupValue(inSwitchControl, switchValues, 2, inValue);
}

CFStringRef GetDepartmentCode(ControlRef inDepartmentCodeControl) {
  return GetSwitchValue(inDepartmentCodeControl);
}

void SetDepartmentCode(ControlRef inDepartmentCodeControl, CFStringRef inDepartmentCode) {
  SetSwitchValue(inDepartmentCodeControl, inDepartmentCode);
}

CFStringRef GetBlankPages(ControlRef inBlankPagesControl) {
  return GetSwitchValue(inBlankPagesControl);
}

void SetBlankPages(ControlRef inBlankPagesControl, CFStringRef inBlankPages) {
  SetSwitchValue(inBlankPagesControl, inBlankPages);
}

CFStringRef GetDistinguishThinLines(ControlRef inDistinguishThinLinesControl) {
  return GetSwitchValue(inDistinguishThinLinesControl);
}

void SetDistinguishThinLines(ControlRef inDistinguishThinLinesControl,
                             CFStringRef inDistinguishThinLines) {
  SetSwitchValue(inDistinguishThinLinesControl, inDistinguishThinLines);
}

/* ==== Digit fields ==== */

/* A new key "<prefix><index>", or null when memory is exhausted. */
static CFStringRef CreateDigitKey(CFStringRef inKeyPrefix, int inDigitIndex) {
  return CFStringCreateWithFormat(kCFAllocatorDefault, NULL, CFSTR("%@%d"), inKeyPrefix,
                                  inDigitIndex);
}

CFStringRef CreateZeroPaddedDigitsFromTextField(ControlRef inDigitControl, SInt8 inMaxLength) {
  CFStringRef text = NULL;
  CFMutableStringRef paddedText;
  CFIndex lengthDelta;

  if (GetControlData(inDigitControl, kControlEntireControl, kControlEditTextCFStringTag,
                     sizeof(text), &text, NULL) != noErr ||
      text == NULL)
    return NULL;

  lengthDelta = (CFIndex)inMaxLength - CFStringGetLength(text);
  if (lengthDelta <= 0) {
    paddedText = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text);
  } else {
    paddedText = CFStringCreateMutable(kCFAllocatorDefault, inMaxLength);
    if (paddedText != NULL) {
      const UniChar padCharacter = 0x0030;
      CFIndex padIndex;
      for (padIndex = 0; padIndex < lengthDelta; ++padIndex)
        CFStringAppendCharacters(paddedText, &padCharacter, 1);
      CFStringAppend(paddedText, text);
    }
  }
  CFRelease(text);
  return paddedText;
}

CFStringRef CreateNthDigitFromTextField(ControlRef inDigitControl, SInt8 inDigitOffset,
                                        SInt8 inMaxLength) {
  CFStringRef paddedText = CreateZeroPaddedDigitsFromTextField(inDigitControl, inMaxLength);
  UniChar digit;

  if (paddedText == NULL) return NULL;
  if (inDigitOffset < 0 || inDigitOffset >= CFStringGetLength(paddedText)) {
    CFRelease(paddedText);
    return NULL;
  }
  digit = CFStringGetCharacterAtIndex(paddedText, inDigitOffset);
  CFRelease(paddedText);
  return CFStringCreateWithCharacters(kCFAllocatorDefault, &digit, 1);
}

void SetDigitsInTextField(ControlRef inDigitControl, CFStringRef inDigits) {
  (void)SetControlData(inDigitControl, kControlEntireControl, kControlEditTextCFStringTag,
                       sizeof(inDigits), &inDigits);
}

CFStringRef CreateDigitsFromPPDDict(CFDictionaryRef inPPDDict, CFStringRef inKeyPrefix,
                                    SInt8 inMaxLength) {
  CFMutableStringRef digits;
  Boolean invalidPPDContents = false;
  int digitIndex;

  if (inPPDDict == NULL || inKeyPrefix == NULL || inMaxLength == 0) return NULL;
  digits = CFStringCreateMutable(kCFAllocatorDefault, 0);
  if (digits == NULL) return NULL;

  for (digitIndex = 1; digitIndex <= inMaxLength; ++digitIndex) {
    CFStringRef key = CreateDigitKey(inKeyPrefix, digitIndex);
    CFTypeRef digit = NULL;
    if (key != NULL) {
      digit = CFDictionaryGetValue(inPPDDict, key);
      CFRelease(key);
    }
    /* A key that cannot be made, is missing or holds no string leaves the code incomplete. */
    if (digit != NULL && CFGetTypeID(digit) == CFStringGetTypeID())
      CFStringAppend(digits, (CFStringRef)digit);
    else
      invalidPPDContents = true;
  }

  if (invalidPPDContents) {
    CFRelease(digits);
    return NULL;
  }
  return digits;
}

void SetIndividualDigitsInPPDFromTextField(ControlRef inDigitControl, SInt8 inMaxLength,
                                           CFStringRef inPPDValuePrefix,
                                           CFMutableDictionaryRef inPPDDict) {
  int digitIndex;

  if (inPPDValuePrefix == NULL || inPPDDict == NULL) return;
  for (digitIndex = 1; digitIndex <= inMaxLength; ++digitIndex) {
    CFStringRef digit = CreateNthDigitFromTextField(inDigitControl, (SInt8)(digitIndex - 1),
                                                    inMaxLength);
    CFStringRef key;
    if (digit == NULL) continue;
    key = CreateDigitKey(inPPDValuePrefix, digitIndex);
    if (key != NULL) {
      CFDictionarySetValue(inPPDDict, key, digit);
      CFRelease(key);
    }
    CFRelease(digit);
  }
}

/* ==== Ticket synchronisation ==== */

/* The print-settings ticket's PPD dictionary, borrowed; the status of the ticket access. */
static OSStatus GetPrintSettingsPPDDict(PMPrintSession printSession,
                                        CFMutableDictionaryRef* outPPDDict) {
  PMTicketRef printSettingsContainer = 0;
  OSStatus status =
      GetTicketFromSession(printSession, CFSTR(kPMPrintSettingsTicket), &printSettingsContainer);
  if (status != noErr) return status;
  return PMTicketGetPPDDict(printSettingsContainer, kPMTopLevel, kPMTopLevel, outPPDDict);
}

/* The string under inKey, borrowed; null when there is none or the value is not a string. */
static CFStringRef GetPPDString(CFDictionaryRef inPPDDict, CFStringRef inKey) {
  CFTypeRef value = CFDictionaryGetValue(inPPDDict, inKey);
  return (value != NULL && CFGetTypeID(value) == CFStringGetTypeID()) ? (CFStringRef)value : NULL;
}

OSStatus SyncTicketFromPane(PMPDEContext context, PMPrintSession printSession) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  CFMutableDictionaryRef ppdDict = NULL;
  CFStringRef printMode, departmentCode, blankPages, distinguishThinLines;
  OSStatus status;

  if (zorContext == NULL) return paramErr;
  printMode = GetPrintMode(zorContext->control_PrintMode);
  departmentCode = GetDepartmentCode(zorContext->control_Department);
  blankPages = GetBlankPages(zorContext->control_BlankPages);
  distinguishThinLines = GetDistinguishThinLines(zorContext->control_DistinguishThinLines);

  status = GetPrintSettingsPPDDict(printSession, &ppdDict);
  if (status != noErr) return status;
  if (ppdDict == NULL) return kPMInvalidTicket;

  CFDictionarySetValue(ppdDict, kPPDDeptCodeKey, departmentCode);
  CFDictionarySetValue(ppdDict, kPPDPrintModeKey, printMode);
  CFDictionarySetValue(ppdDict, kPPDBlankPageKey, blankPages);
  CFDictionarySetValue(ppdDict, kPPDDistinguishThinLinesKey, distinguishThinLines);
  SetIndividualDigitsInPPDFromTextField(zorContext->control_DIN, kZORDigitCodeLength,
                                        kPPDDINDigitPrefix, ppdDict);
  SetIndividualDigitsInPPDFromTextField(zorContext->control_DC, kZORDigitCodeLength,
                                        kPPDDCDigitPrefix, ppdDict);
  return noErr;
}

OSStatus SyncPaneFromTicket(PMPDEContext context, PMPrintSession printSession) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  CFMutableDictionaryRef ppdDict = NULL;
  CFStringRef printMode, dinDigits, departmentCode, dcDigits, blankPages, distinguishThinLines;
  OSStatus status;

  if (zorContext == NULL) return paramErr;
  status = GetPrintSettingsPPDDict(printSession, &ppdDict);
  if (status != noErr) return status;
  if (ppdDict == NULL) return kPMInvalidTicket;

  printMode = GetPPDString(ppdDict, kPPDPrintModeKey);
  dinDigits = CreateDigitsFromPPDDict(ppdDict, kPPDDINDigitPrefix, kZORDigitCodeLength);
  departmentCode = GetPPDString(ppdDict, kPPDDeptCodeKey);
  dcDigits = CreateDigitsFromPPDDict(ppdDict, kPPDDCDigitPrefix, kZORDigitCodeLength);
  blankPages = GetPPDString(ppdDict, kPPDBlankPageKey);
  distinguishThinLines = GetPPDString(ppdDict, kPPDDistinguishThinLinesKey);

  SetPrintMode(zorContext->control_PrintMode, printMode ? printMode : kPrintModeNormal);
  SetDigitsInTextField(zorContext->control_DIN, dinDigits ? dinDigits : kZORDefaultDigitCode);
  SetDepartmentCode(zorContext->control_Department, departmentCode ? departmentCode : kSwitchFalse);
  SetDigitsInTextField(zorContext->control_DC, dcDigits ? dcDigits : kZORDefaultDigitCode);
  SetBlankPages(zorContext->control_BlankPages, blankPages ? blankPages : kSwitchFalse);
  SetDistinguishThinLines(zorContext->control_DistinguishThinLines,
                          distinguishThinLines ? distinguishThinLines : kSwitchFalse);

  if (dinDigits != NULL) CFRelease(dinDigits);
  if (dcDigits != NULL) CFRelease(dcDigits);
  EnforceRelationships(context);
  return noErr;
}

/* ==== Summary ==== */

/* A new title for the row key: the bundle's localized string, or kMissingSummaryTitle when the
   table lacks the key or there is no bundle. Null only when memory is exhausted. */
static CFStringRef CopySummaryTitle(CFBundleRef inBundle, CFStringRef inKey) {
  if (inBundle == NULL) return (CFStringRef)CFRetain(kMissingSummaryTitle);
  return CFBundleCopyLocalizedString(inBundle, inKey, kMissingSummaryTitle, NULL);
}

/* Appends the row of a pop-up: its title and the text of its selected item. */
static OSStatus AppendPopupRow(CFMutableArrayRef titles, CFMutableArrayRef summarys,
                               CFBundleRef inBundle, CFStringRef inKey, ControlRef inPopupControl) {
  CFStringRef title = CopySummaryTitle(inBundle, inKey);
  CFStringRef itemText = NULL;
  MenuRef menu;
  OSStatus status;

  if (title == NULL) return memFullErr;
  menu = GetControlPopupMenuHandle(inPopupControl);
  if (menu == NULL) {
    CFRelease(title);
    return kPMGeneralError;
  }
  status = CopyMenuItemTextAsCFString(
      menu, (MenuItemIndex)(GetControl32BitValue(inPopupControl) & 0xFFFF), &itemText);
  if (status == noErr && itemText == NULL) status = memFullErr;
  if (status == noErr) {
    CFArrayAppendValue(titles, title);
    CFArrayAppendValue(summarys, itemText);
    CFRelease(itemText);
  }
  CFRelease(title);
  return status;
}

/* Appends the row of a digit field: its title and its padded text. A field that cannot be read
   gives no row. */
static OSStatus AppendDigitRow(CFMutableArrayRef titles, CFMutableArrayRef summarys,
                               CFBundleRef inBundle, CFStringRef inKey, ControlRef inDigitControl) {
  CFStringRef title = CopySummaryTitle(inBundle, inKey);
  CFStringRef digits;

  if (title == NULL) return memFullErr;
  digits = CreateZeroPaddedDigitsFromTextField(inDigitControl, kZORDigitCodeLength);
  if (digits != NULL) {
    CFArrayAppendValue(titles, title);
    CFArrayAppendValue(summarys, digits);
    CFRelease(digits);
  }
  CFRelease(title);
  return noErr;
}

OSStatus GetSummaryText(PMPDEContext context, CFArrayRef* titleArray, CFArrayRef* summaryArray) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  CFMutableArrayRef titles;
  CFMutableArrayRef summarys;
  CFBundleRef bundle;
  OSStatus status;

  if (zorContext == NULL || titleArray == NULL || summaryArray == NULL) return paramErr;
  titles = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  summarys = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  if (titles == NULL || summarys == NULL) {
    status = memFullErr;
  } else {
    bundle = CFBundleGetBundleWithIdentifier(kPDEBundleID);
    status = AppendPopupRow(titles, summarys, bundle, CFSTR("DINTITLE"),
                            zorContext->control_PrintMode);
    if (status == noErr &&
        CFStringCompare(GetPrintMode(zorContext->control_PrintMode), kPrintModePrivate, 0) ==
            kCFCompareEqualTo)
      status = AppendDigitRow(titles, summarys, bundle, CFSTR("DIN"), zorContext->control_DIN);
    if (status == noErr)
      status = AppendPopupRow(titles, summarys, bundle, CFSTR("BLANKPAGES"),
                              zorContext->control_BlankPages);
    if (status == noErr)
      status = AppendPopupRow(titles, summarys, bundle, CFSTR("DISTINGUISHTHINLINES"),
                              zorContext->control_DistinguishThinLines);
    if (status == noErr &&
        CFStringCompare(GetDepartmentCode(zorContext->control_Department), kSwitchTrue, 0) ==
            kCFCompareEqualTo)
      status = AppendDigitRow(titles, summarys, bundle, CFSTR("DC"), zorContext->control_DC);
  }

  if (status != noErr) {
    if (titles != NULL) CFRelease(titles);
    if (summarys != NULL) CFRelease(summarys);
    return status;
  }
  *titleArray = titles;
  *summaryArray = summarys;
  return noErr;
}

/* ==== Control relationships ==== */

void EnforcePrivatePrintModeRelationship(PMPDEContext context) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  CFStringRef privatePrintMode;

  if (zorContext == NULL) return;
  privatePrintMode = GetPrintMode(zorContext->control_PrintMode);
  if (CFStringCompare(privatePrintMode, kPrintModePrivate, 0) == kCFCompareEqualTo)
    (void)EnableControl(zorContext->control_DIN);
  else
    (void)DisableControl(zorContext->control_DIN);
}

void EnforceDepartmentCodeRelationship(PMPDEContext context) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  CFStringRef departmentSwitch;

  if (zorContext == NULL) return;
  departmentSwitch = GetDepartmentCode(zorContext->control_Department);
  if (CFStringCompare(departmentSwitch, kSwitchTrue, 0) == kCFCompareEqualTo)
    (void)EnableControl(zorContext->control_DC);
  else
    (void)DisableControl(zorContext->control_DC);
}

void EnforceRelationships(PMPDEContext context) {
  EnforcePrivatePrintModeRelationship(context);
  EnforceDepartmentCodeRelationship(context);
}

void AttachRelationshipHandlers(PMPDEContext context) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);
  EventTypeSpec eventTypes[1] = {{kEventClassCommand, kEventCommandProcess}};

  if (zorContext == NULL) return;
  zorContext->relationshipHandlerUPP = NewEventHandlerUPP(HandleRelationships);
  if (InstallEventHandler(GetControlEventTarget(zorContext->control_InvisiblePane),
                          zorContext->relationshipHandlerUPP, 1, eventTypes, zorContext,
                          &zorContext->relationshipEventRef) != noErr) {
    DisposeEventHandlerUPP(zorContext->relationshipHandlerUPP);
    zorContext->relationshipHandlerUPP = NULL;
    zorContext->relationshipEventRef = NULL;
  }
}

void DetachRelationshipHandlers(PMPDEContext context) {
  ZOR_PDEContextPtr zorContext = GetZORContext(context);

  if (zorContext == NULL) return;
  if (zorContext->relationshipEventRef != NULL) {
    (void)RemoveEventHandler(zorContext->relationshipEventRef);
    zorContext->relationshipEventRef = NULL;
  }
  if (zorContext->relationshipHandlerUPP != NULL) {
    DisposeEventHandlerUPP(zorContext->relationshipHandlerUPP);
    zorContext->relationshipHandlerUPP = NULL;
  }
}

OSStatus HandleRelationships(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                             void* inUserData) {
  (void)inHandlerCallRef;
  (void)inEvent;
  ScheduleRelationshipUpdate(inUserData);
  return eventNotHandledErr;
}

void ScheduleRelationshipUpdate(void* inUserData) {
  ZOR_PDEContextPtr zorContext = GetZORContext((PMPDEContext)inUserData);
  CFRunLoopTimerContext timerContext = {0, NULL, NULL, NULL, NULL};
  CFTimeInterval interval;
  CFAbsoluteTime fireDate;

  if (zorContext == NULL) return;
  if (zorContext->updateRelationshipsTimer != NULL) {
    CFRunLoopTimerSetNextFireDate(zorContext->updateRelationshipsTimer,
                                  CFAbsoluteTimeGetCurrent());
    return;
  }

  timerContext.info = inUserData;
  interval = CFAbsoluteTimeGetCurrent() + kRelationshipTimerIntervalOffset;
  fireDate = CFAbsoluteTimeGetCurrent();
  zorContext->updateRelationshipsTimer = CFRunLoopTimerCreate(
      kCFAllocatorDefault, fireDate, interval, 0, 0, DelayedRelationshipCallback, &timerContext);
  if (zorContext->updateRelationshipsTimer == NULL) {
    syslog(LOG_ERR, "Relationship timer creation failed! Probably lack of memory.");
    return;
  }
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), zorContext->updateRelationshipsTimer,
                    kCFRunLoopCommonModes);
}

void DelayedRelationshipCallback(CFRunLoopTimerRef timer, void* inUserData) {
  (void)timer;
  EnforceRelationships((PMPDEContext)inUserData);
}
