/* Controls.h: the control tree of a window, control values, data, enabling and embedding. */
#ifndef PDE_HOST_CONTROLS_H
#define PDE_HOST_CONTROLS_H

#include "MacWindows.h"
#include "Menus.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt16 ControlPartCode;
typedef SInt16 ControlFocusPart;

typedef struct ControlID {
  OSType signature;
  SInt32 id;
} ControlID;

typedef struct ControlEditTextSelectionRec {
  SInt16 selStart;
  SInt16 selEnd;
} ControlEditTextSelectionRec;

enum {
  kControlEntireControl = 0,
  kControlFocusNoPart = 0,
  kControlFocusNextPart = -1,
  kControlEditTextCFStringTag = 0x63667374, /* 'cfst' */
  kControlEditTextSelectionTag = 0x73656C65 /* 'sele' */
};

enum {
  errItemNotControl = -30560,
  errDataNotSupported = -30583,
  errUnknownControl = -30584,
  errControlIsNotEmbedder = -30590
};

/* The window's root control, in which every other control of the window lies. */
CF_EXPORT OSStatus GetRootControl(WindowRef inWindow, ControlRef* outControl);
/* A new user pane at boundsRect inside the window's root control. */
CF_EXPORT OSStatus CreateUserPaneControl(WindowRef window, const Rect* boundsRect, UInt32 features,
                                         ControlRef* outControl);
/* The control of the window, at any depth, with this ID; errUnknownControl when there is none. */
CF_EXPORT OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID,
                                  ControlRef* outControl);
CF_EXPORT OSStatus GetControlID(ControlRef inControl, ControlID* outID);
/* The window the control lies in; null for null. */
CF_EXPORT WindowRef GetControlOwner(ControlRef control);
/* Moves inControl, with every control inside it, into inContainer and its window. */
CF_EXPORT OSErr EmbedControl(ControlRef inControl, ControlRef inContainer);
CF_EXPORT OSErr GetSuperControl(ControlRef inControl, ControlRef* outParent);
CF_EXPORT OSErr CountSubControls(ControlRef inControl, UInt16* outNumChildren);
/* inIndex is 1-based. */
CF_EXPORT OSErr GetIndexedSubControl(ControlRef inControl, UInt16 inIndex, ControlRef* outSubControl);

/* Writes the control's bounds to bounds and returns bounds; a null control gives an empty Rect. */
CF_EXPORT Rect* GetControlBounds(ControlRef control, Rect* bounds);
CF_EXPORT void SetControlBounds(ControlRef control, const Rect* bounds);
/* Adds dh to left and right, dv to top and bottom. */
CF_EXPORT void OffsetRect(Rect* r, short dh, short dv);

CF_EXPORT OSStatus EnableControl(ControlRef inControl);
CF_EXPORT OSStatus DisableControl(ControlRef inControl);
/* True when the control and every control it lies in are enabled. */
CF_EXPORT Boolean IsControlEnabled(ControlRef inControl);

/* A pop-up's value is the 1-based index of its selected item. */
CF_EXPORT SInt32 GetControl32BitValue(ControlRef theControl);
CF_EXPORT void SetControl32BitValue(ControlRef theControl, SInt32 newValue);
CF_EXPORT SInt32 GetControl32BitMinimum(ControlRef theControl);
CF_EXPORT SInt32 GetControl32BitMaximum(ControlRef theControl);
/* Borrowed menu of a pop-up button, or null. */
CF_EXPORT MenuRef GetControlPopupMenuHandle(ControlRef inControl);

/* Edit-text data: kControlEditTextCFStringTag (a CFStringRef; Get returns a new reference, Set
   leaves the caller's reference with the caller) and kControlEditTextSelectionTag
   (ControlEditTextSelectionRec). errDataNotSupported for another tag or control kind, paramErr
   for a buffer of the wrong size. */
CF_EXPORT OSErr GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                               Size inBufferSize, void* inBuffer, Size* outActualSize);
CF_EXPORT OSErr SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                               Size inSize, const void* inData);

/* Keyboard focus belongs to the window: one control of it at a time, or none. */
CF_EXPORT OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl,
                                    ControlFocusPart inPart);
CF_EXPORT OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl);

#ifdef __cplusplus
}
#endif

#endif
