/* zor-controlconstraints.c: key filters on edit-text fields: a maximum length, digits only. */
#include "zor-controlconstraints.h"

#include <stdlib.h>

/* One attached filter. */
typedef struct TextConstraintRecord {
  ControlRef textField;       /* the filtered field; not owned */
  SInt32 constraintType;      /* kTextConstraintLength or kTextConstraintDigitOnly */
  SInt32 maxLength;           /* the length filter's maximum; 0 for a digits-only filter */
  EventHandlerUPP handlerUPP; /* owned */
  EventHandlerRef handlerRef; /* owned */
} TextConstraintRecord;

/* True for the bytes 0x20 (space) to 0x7E (tilde); the byte is taken unsigned, so the bytes with
   the high bit set are never printable. */
static Boolean IsPrintableKey(char inKeyPressed) {
  unsigned char keyByte = (unsigned char)inKeyPressed;
  return keyByte >= 0x20 && keyByte <= 0x7E;
}

void* AttachTextConstraint(ControlRef inTextField, SInt32 inConstraintType, SInt32 inMaxLength) {
  EventTypeSpec eventTypes[2] = {{kEventClassKeyboard, kEventRawKeyDown},
                                 {kEventClassKeyboard, kEventRawKeyRepeat}};
  TextConstraintRecord* constraint = (TextConstraintRecord*)calloc(1, sizeof(TextConstraintRecord));
  if (constraint == NULL) return NULL;

  constraint->textField = inTextField;
  constraint->constraintType = inConstraintType;
  constraint->maxLength = inMaxLength;
  constraint->handlerUPP = NewEventHandlerUPP(TextConstraint);
  if (InstallEventHandler(GetControlEventTarget(inTextField), constraint->handlerUPP, 2,
                          eventTypes, constraint, &constraint->handlerRef) != noErr) {
    DisposeEventHandlerUPP(constraint->handlerUPP);
    free(constraint);
    return NULL;
  }
  return constraint;
}

void* AttachTextLengthConstraint(ControlRef inTextField, SInt32 inMaxLength) {
  return AttachTextConstraint(inTextField, kTextConstraintLength, inMaxLength);
}

void* AttachTextDigitOnlyConstraint(ControlRef inTextField) {
  return AttachTextConstraint(inTextField, kTextConstraintDigitOnly, 0);
}

void DetachTextConstraint(void* inControlConstraint) {
  TextConstraintRecord* constraint = (TextConstraintRecord*)inControlConstraint;
  if (constraint == NULL) return;
  RemoveEventHandler(constraint->handlerRef);
  DisposeEventHandlerUPP(constraint->handlerUPP);
  free(constraint);
}

OSStatus TextConstraint(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData) {
  const TextConstraintRecord* constraint = (const TextConstraintRecord*)inUserData;
  char keyPressed = 0;
  (void)inHandlerCallRef;

  if (constraint == NULL) return eventNotHandledErr;
  if (GetEventParameter(inEvent, kEventParamKeyMacCharCodes, typeChar, NULL, 1, NULL,
                        &keyPressed) != noErr)
    return eventNotHandledErr;
  if (!IsPrintableKey(keyPressed)) return eventNotHandledErr;

  switch (constraint->constraintType) {
    case kTextConstraintLength:
      return TextLengthConstraint(constraint->textField, constraint->maxLength);
    case kTextConstraintDigitOnly:
      return TextDigitOnlyConstraint(keyPressed);
    default:
      return noErr;
  }
}

OSStatus TextLengthConstraint(ControlRef textFieldControl, SInt32 inMaxLength) {
  CFStringRef textFieldContents = NULL;
  ControlEditTextSelectionRec selectionIndexes = {0, 0};
  OSStatus result;

  if (GetControlData(textFieldControl, kControlEntireControl, kControlEditTextCFStringTag,
                     sizeof(textFieldContents), &textFieldContents, NULL) != noErr)
    return eventNotHandledErr;
  if (textFieldContents == NULL) return noErr;

  if (CFStringGetLength(textFieldContents) < (CFIndex)inMaxLength) {
    result = eventNotHandledErr;
  } else if (GetControlData(textFieldControl, kControlEntireControl, kControlEditTextSelectionTag,
                            sizeof(selectionIndexes), &selectionIndexes, NULL) != noErr) {
    result = eventNotHandledErr;
  } else if ((int)selectionIndexes.selEnd - (int)selectionIndexes.selStart > 0) {
    result = eventNotHandledErr; /* the typed character replaces the selection */
  } else {
    result = noErr;
  }
  CFRelease(textFieldContents);
  return result;
}

OSStatus TextDigitOnlyConstraint(char inKeyPressed) {
  unsigned char keyByte = (unsigned char)inKeyPressed;
  return (keyByte >= '0' && keyByte <= '9') ? eventNotHandledErr : noErr;
}
