/* CFUUID.h: uniqued 128-bit identifiers. */
#ifndef PDE_HOST_CFUUID_H
#define PDE_HOST_CFUUID_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct CFOpaqueUUID* CFUUIDRef;

typedef struct {
  UInt8 byte0, byte1, byte2, byte3, byte4, byte5, byte6, byte7;
  UInt8 byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15;
} CFUUIDBytes;

CF_EXPORT CFTypeID CFUUIDGetTypeID(void);
/* UUIDs with equal bytes are one object: each Create returns a new reference to it. */
CF_EXPORT CFUUIDRef CFUUIDCreateWithBytes(CFAllocatorRef alloc, UInt8 byte0, UInt8 byte1,
                                          UInt8 byte2, UInt8 byte3, UInt8 byte4, UInt8 byte5,
                                          UInt8 byte6, UInt8 byte7, UInt8 byte8, UInt8 byte9,
                                          UInt8 byte10, UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                          UInt8 byte14, UInt8 byte15);
CF_EXPORT CFUUIDRef CFUUIDCreateFromUUIDBytes(CFAllocatorRef alloc, CFUUIDBytes bytes);
/* Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" leniently: leading non-hex characters are skipped,
   a pair holding a non-hex character gives the byte 0, one separator is skipped after bytes 4, 6,
   8 and 10, and missing bytes stay 0. Null or empty input gives null. */
CF_EXPORT CFUUIDRef CFUUIDCreateFromString(CFAllocatorRef alloc, CFStringRef uuidStr);
/* Immortal UUID of these bytes: never released by the caller. */
CF_EXPORT CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef alloc, UInt8 byte0, UInt8 byte1,
                                                   UInt8 byte2, UInt8 byte3, UInt8 byte4,
                                                   UInt8 byte5, UInt8 byte6, UInt8 byte7,
                                                   UInt8 byte8, UInt8 byte9, UInt8 byte10,
                                                   UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                                   UInt8 byte14, UInt8 byte15);
/* The sixteen bytes; all zero for null. */
CF_EXPORT CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid);
/* A new string in the upper-case 8-4-4-4-12 form. */
CF_EXPORT CFStringRef CFUUIDCreateString(CFAllocatorRef alloc, CFUUIDRef uuid);

#ifdef __cplusplus
}
#endif

#endif
