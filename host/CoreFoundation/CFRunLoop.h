/* CFRunLoop.h: per-thread run loops, run-loop modes and timers; absolute time. */
#ifndef PDE_HOST_CFRUNLOOP_H
#define PDE_HOST_CFRUNLOOP_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;

/* Seconds since the reference date, 1 January 2001 00:00:00 GMT. */
CF_EXPORT CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);

typedef struct CFOpaqueRunLoop* CFRunLoopRef;
typedef struct CFOpaqueRunLoopTimer* CFRunLoopTimerRef;

typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);

typedef struct {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
} CFRunLoopTimerContext;

CF_EXPORT extern const CFStringRef kCFRunLoopDefaultMode;
CF_EXPORT extern const CFStringRef kCFRunLoopCommonModes;

enum {
  kCFRunLoopRunFinished = 1,
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4
};

CF_EXPORT CFTypeID CFRunLoopGetTypeID(void);
CF_EXPORT CFTypeID CFRunLoopTimerGetTypeID(void);

/* Borrowed: the calling thread's run loop, made on first use. */
CF_EXPORT CFRunLoopRef CFRunLoopGetCurrent(void);
/* Runs the loop in mode: fires due timers, waits for the next one, until seconds have passed
   (0: one pass). Returns kCFRunLoopRunFinished at once when the mode holds no timer,
   kCFRunLoopRunTimedOut otherwise. Firing timers does not count as a handled source. */
CF_EXPORT SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds,
                                    Boolean returnAfterSourceHandled);
/* Adds the timer to mode (kCFRunLoopCommonModes: every common mode, the default one included);
   the loop retains it. An invalidated timer is not added. */
CF_EXPORT void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode);
/* Removes the timer from mode and drops the loop's reference; the timer stays valid. */
CF_EXPORT void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode);
CF_EXPORT Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer,
                                         CFStringRef mode);

/* A new timer firing first at fireDate, then every interval seconds (0: once, then it
   invalidates itself). context->info is passed to callout; retain/release are honoured. */
CF_EXPORT CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate,
                                                 CFTimeInterval interval, CFOptionFlags flags,
                                                 CFIndex order, CFRunLoopTimerCallBack callout,
                                                 CFRunLoopTimerContext* context);
CF_EXPORT CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer);
/* A date in the past counts as now: the timer fires on the next pass of its loop. */
CF_EXPORT void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate);
CF_EXPORT CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer);
/* Stops the timer for good and removes it from every loop. */
CF_EXPORT void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
CF_EXPORT Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);

#ifdef __cplusplus
}
#endif

#endif
