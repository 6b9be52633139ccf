/* MacWindows.h: windows, their regions and titles. */
#ifndef PDE_HOST_MACWINDOWS_H
#define PDE_HOST_MACWINDOWS_H

#include "CarbonEvents.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt16 WindowRegionCode;
typedef UInt32 WindowClass;
typedef UInt32 WindowAttributes;

enum {
  kWindowStructureRgn = 32,
  kWindowContentRgn = 33,
  kDocumentWindowClass = 6,
  kWindowNoAttributes = 0
};

enum {
  errInvalidWindowRef = -5600,
  errWindowRegionCodeInvalid = -5614
};

/* A new, empty window whose content region is contentBounds; it has a root control. */
CF_EXPORT OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                                   const Rect* contentBounds, WindowRef* outWindow);
/* Disposes of the window and every control still inside it. */
CF_EXPORT void DisposeWindow(WindowRef window);
/* The bounds of the window's region; errWindowRegionCodeInvalid for an unknown region. */
CF_EXPORT OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode, Rect* globalBounds);
/* A new string holding the window's title. */
CF_EXPORT OSStatus CopyWindowTitleAsCFString(WindowRef inWindow, CFStringRef* outString);
CF_EXPORT OSStatus SetWindowTitleWithCFString(WindowRef inWindow, CFStringRef inString);

#ifdef __cplusplus
}
#endif

#endif
