/* CarbonEvents.h: events, event targets and the stacks of handlers installed on them. */
#ifndef PDE_HOST_CARBONEVENTS_H
#define PDE_HOST_CARBONEVENTS_H

#include "../CoreFoundation/CoreFoundation.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueControlRef* ControlRef;
typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueMenuRef* MenuRef;
typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;

typedef UInt16 MenuItemIndex;
typedef double EventTime;
typedef OSType EventParamName;
typedef OSType EventParamType;
typedef UInt32 EventAttributes;

typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

typedef struct EventTypeSpec {
  UInt32 eventClass;
  UInt32 eventKind;
} EventTypeSpec;

/* A command, as carried by kEventParamDirectObject of a command event. */
typedef struct HICommand {
  UInt32 attributes;
  UInt32 commandID;
  struct {
    MenuRef menuRef;
    MenuItemIndex menuItemIndex;
  } menu;
} HICommand;

enum {
  kEventClassKeyboard = 0x6B657962, /* 'keyb' */
  kEventClassCommand = 0x636D6473,  /* 'cmds' */
  kEventRawKeyDown = 1,
  kEventRawKeyRepeat = 2,
  kEventRawKeyUp = 3,
  kEventCommandProcess = 1,
  kHICommandFromMenu = 1
};

enum {
  kEventParamDirectObject = 0x2D2D2D2D,    /* '----' */
  kEventParamKeyMacCharCodes = 0x6B636872, /* 'kchr' */
  kEventParamKeyModifiers = 0x6B6D6F64,    /* 'kmod' */
  typeChar = 0x54455854,                   /* 'TEXT' */
  typeUInt32 = 0x6D61676E,                 /* 'magn' */
  typeHICommand = 0x68636D64,              /* 'hcmd' */
  typeWildCard = 0x2A2A2A2A                /* '****' */
};

/* Character codes of the editing keys, and the modifier bits of kEventParamKeyModifiers. */
enum {
  kHomeCharCode = 0x01,
  kEnterCharCode = 0x03,
  kEndCharCode = 0x04,
  kBackspaceCharCode = 0x08,
  kTabCharCode = 0x09,
  kReturnCharCode = 0x0D,
  kEscapeCharCode = 0x1B,
  kLeftArrowCharCode = 0x1C,
  kRightArrowCharCode = 0x1D,
  kUpArrowCharCode = 0x1E,
  kDownArrowCharCode = 0x1F,
  kDeleteCharCode = 0x7F,
  cmdKey = 1 << 8,
  shiftKey = 1 << 9
};

enum {
  eventHandlerAlreadyInstalledErr = -9866,
  eventInternalErr = -9868,
  eventParameterNotFoundErr = -9870,
  eventNotHandledErr = -9874
};

/* Procedure pointers are the procedures themselves; Dispose has nothing to free. */
CF_EXPORT EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine);
CF_EXPORT void DisposeEventHandlerUPP(EventHandlerUPP userUPP);

/* Borrowed targets; null for a null control or window. */
CF_EXPORT EventTargetRef GetControlEventTarget(ControlRef inControl);
CF_EXPORT EventTargetRef GetWindowEventTarget(WindowRef inWindow);
CF_EXPORT EventTargetRef GetApplicationEventTarget(void);

/* Pushes a handler for the listed event types onto the target's stack (called before the
   handlers installed earlier). Returns paramErr for bad arguments and
   eventHandlerAlreadyInstalledErr when the same procedure with the same user data is already
   on the target. outRef, when given, receives the handler reference. */
CF_EXPORT OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                                       ItemCount inNumTypes, const EventTypeSpec* inList,
                                       void* inUserData, EventHandlerRef* outRef);
/* Removes the handler; safe while an event is being dispatched to it. */
CF_EXPORT OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
/* From inside a handler: calls the handlers after the caller, then the targets further up, then
   the default handling. */
CF_EXPORT OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);

/* A new event owned by the caller (ReleaseEvent). */
CF_EXPORT OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 inKind,
                               EventTime inWhen, EventAttributes inAttributes,
                               EventRef* outEvent);
CF_EXPORT EventRef RetainEvent(EventRef inEvent);
CF_EXPORT void ReleaseEvent(EventRef inEvent);
CF_EXPORT UInt32 GetEventClass(EventRef inEvent);
CF_EXPORT UInt32 GetEventKind(EventRef inEvent);
CF_EXPORT OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                                     ByteCount inSize, const void* inDataPtr);
/* Copies at most inBufferSize bytes of the parameter into outData; eventParameterNotFoundErr when
   it is absent or of another type (typeWildCard accepts any). */
CF_EXPORT OSStatus GetEventParameter(EventRef inEvent, EventParamName inName,
                                     EventParamType inDesiredType, EventParamType* outActualType,
                                     ByteCount inBufferSize, ByteCount* outActualSize,
                                     void* outData);
/* Dispatches the event: the target's handlers, newest first, then up the containment chain
   (control, embedding controls, window, application) while they return eventNotHandledErr, then
   the control's default handling. Returns the status that ended the dispatch. */
CF_EXPORT OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

#ifdef __cplusplus
}
#endif

#endif
