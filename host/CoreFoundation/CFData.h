/* CFData.h: immutable byte buffers. */
#ifndef PDE_HOST_CFDATA_H
#define PDE_HOST_CFDATA_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct CFOpaqueData* CFDataRef;

CF_EXPORT CFTypeID CFDataGetTypeID(void);
/* A new object holding a copy of length bytes. */
CF_EXPORT CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CF_EXPORT CFIndex CFDataGetLength(CFDataRef theData);
/* Borrowed pointer to the bytes, valid while the object lives. */
CF_EXPORT const UInt8* CFDataGetBytePtr(CFDataRef theData);

#ifdef __cplusplus
}
#endif

#endif
