/* CFBase.h: Core Foundation's base types, the polymorphic object calls and allocators. */
#ifndef PDE_HOST_CFBASE_H
#define PDE_HOST_CFBASE_H

#include "../MacTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the platform's exported calls; they keep default visibility when the caller hides its own. */
#define CF_EXPORT __attribute__((visibility("default")))

typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;

typedef const void* CFTypeRef;
typedef const struct CFOpaqueString* CFStringRef;
typedef struct CFOpaqueString* CFMutableStringRef;
typedef const struct CFOpaqueAllocator* CFAllocatorRef;

typedef struct CFRange {
  CFIndex location;
  CFIndex length;
} CFRange;

static inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
  CFRange range = {location, length};
  return range;
}

typedef enum {
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
} CFComparisonResult;

enum { kCFNotFound = -1 };

/* Allocators. kCFAllocatorDefault (null) means the current default allocator. */
#define kCFAllocatorDefault ((CFAllocatorRef)NULL)
CF_EXPORT extern const CFAllocatorRef kCFAllocatorSystemDefault;
/* Returns the default allocator, borrowed and never null. */
CF_EXPORT CFAllocatorRef CFAllocatorGetDefault(void);

/* Adds one reference to cf and returns it; null gives null. Constant objects are immortal. */
CF_EXPORT CFTypeRef CFRetain(CFTypeRef cf);
/* Drops one reference; the object is destroyed with its last one. Null is ignored. */
CF_EXPORT void CFRelease(CFTypeRef cf);
/* Returns the number of references held on cf; 0 for null, a very large count for constants. */
CF_EXPORT CFIndex CFGetRetainCount(CFTypeRef cf);
/* Returns the type identifier of cf; 0 (no type) for null. */
CF_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf);
/* True when both objects are of one type and equal by value; false when either is null. */
CF_EXPORT Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
/* A hash consistent with CFEqual; 0 for null. */
CF_EXPORT CFHashCode CFHash(CFTypeRef cf);
/* Returns a new string describing cf (a string describes itself); null for null. */
CF_EXPORT CFStringRef CFCopyDescription(CFTypeRef cf);
/* Writes the description of cf, then a newline, to standard error. */
CF_EXPORT void CFShow(CFTypeRef obj);

#ifdef __cplusplus
}
#endif

#endif
