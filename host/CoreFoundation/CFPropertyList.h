/* CFPropertyList.h: property lists (XML or binary) read into Core Foundation objects. */
#ifndef PDE_HOST_CFPROPERTYLIST_H
#define PDE_HOST_CFPROPERTYLIST_H

#include "CFBase.h"
#include "CFData.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef CFTypeRef CFPropertyListRef;

enum {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

/* A new object tree read from xmlData (strings, numbers, Booleans, data, arrays, dictionaries).
   On failure returns null and, when errorString is given, stores a new string describing why. */
CF_EXPORT CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef allocator,
                                                            CFDataRef xmlData,
                                                            CFOptionFlags mutabilityOption,
                                                            CFStringRef* errorString);

#ifdef __cplusplus
}
#endif

#endif
