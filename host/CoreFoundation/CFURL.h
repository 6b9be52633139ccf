/* CFURL.h: file URLs, as far as bundles need them. */
#ifndef PDE_HOST_CFURL_H
#define PDE_HOST_CFURL_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct CFOpaqueURL* CFURLRef;

CF_EXPORT CFTypeID CFURLGetTypeID(void);
/* A new file URL for the path of bufLen bytes. */
CF_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator,
                                                           const UInt8* buffer, CFIndex bufLen,
                                                           Boolean isDirectory);
/* Writes the URL's path, NUL-terminated; false when it does not fit. */
CF_EXPORT Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase,
                                                   UInt8* buffer, CFIndex maxBufLen);

#ifdef __cplusplus
}
#endif

#endif
