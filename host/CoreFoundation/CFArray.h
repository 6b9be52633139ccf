/* CFArray.h: ordered collections of object references. */
#ifndef PDE_HOST_CFARRAY_H
#define PDE_HOST_CFARRAY_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);

typedef struct {
  CFIndex version;
  CFArrayRetainCallBack retain;
  CFArrayReleaseCallBack release;
  CFArrayCopyDescriptionCallBack copyDescription;
  CFArrayEqualCallBack equal;
} CFArrayCallBacks;

/* Retain on insert, release on removal and destruction, CFEqual to compare. */
CF_EXPORT extern const CFArrayCallBacks kCFTypeArrayCallBacks;

typedef const struct CFOpaqueArray* CFArrayRef;
typedef struct CFOpaqueArray* CFMutableArrayRef;

CF_EXPORT CFTypeID CFArrayGetTypeID(void);
/* A null callBacks pointer stores the values as plain pointers, with no retain or release. */
CF_EXPORT CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                                   const CFArrayCallBacks* callBacks);
/* capacity 0 means no limit; appends beyond a limit are refused. */
CF_EXPORT CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                 const CFArrayCallBacks* callBacks);
CF_EXPORT CFIndex CFArrayGetCount(CFArrayRef theArray);
/* Borrowed; null when idx is out of range. */
CF_EXPORT const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);
CF_EXPORT void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value);
CF_EXPORT void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx);
CF_EXPORT void CFArrayRemoveAllValues(CFMutableArrayRef theArray);

#ifdef __cplusplus
}
#endif

#endif
