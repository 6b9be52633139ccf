/* zor-controlconstraints.h: key filters on edit-text fields: a maximum length, digits only. */
#ifndef ZOR_CONTROLCONSTRAINTS_H
#define ZOR_CONTROLCONSTRAINTS_H

#include <Carbon/Carbon.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds of filter. */
enum {
  kTextConstraintLength = 1,   /* consumes printable keys once the field holds inMaxLength */
  kTextConstraintDigitOnly = 2 /* consumes printable keys other than '0' to '9' */
};

/* Installs a filter of kind inConstraintType on the raw key-down and key-repeat events of
   inTextField. Returns the filter's record, owned by the caller and removed with
   DetachTextConstraint, or null when memory is exhausted or the handler cannot be installed (a
   null field included); nothing stays installed then. A kind other than the two above consumes
   every printable key. */
void* AttachTextConstraint(ControlRef inTextField, SInt32 inConstraintType, SInt32 inMaxLength);

/* AttachTextConstraint with kTextConstraintLength and inMaxLength. */
void* AttachTextLengthConstraint(ControlRef inTextField, SInt32 inMaxLength);

/* AttachTextConstraint with kTextConstraintDigitOnly and the maximum 0. */
void* AttachTextDigitOnlyConstraint(ControlRef inTextField);

/* Removes the filter's handler and frees its record; null is ignored. */
void DetachTextConstraint(void* inControlConstraint);

/* The filters' event handler; inUserData is the filter's record. Returns eventNotHandledErr
   (-9874) to let the key continue to the field, 0 to consume it. Keys whose character is not
   printable (0x00 to 0x1F, 0x7F, 0x80 to 0xFF), keys whose character cannot be read, and events
   without a record always continue. */
OSStatus TextConstraint(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData);

/* The length check: eventNotHandledErr when textFieldControl holds fewer than inMaxLength
   characters, has a non-empty selection, or its text or selection cannot be read; 0 (consume)
   otherwise, and when the text read gives no string. */
OSStatus TextLengthConstraint(ControlRef textFieldControl, SInt32 inMaxLength);

/* The digit check: eventNotHandledErr for '0' to '9', 0 (consume) for every other byte. */
OSStatus TextDigitOnlyConstraint(char inKeyPressed);

#ifdef __cplusplus
}
#endif

#endif
