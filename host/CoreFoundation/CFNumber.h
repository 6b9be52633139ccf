/* CFNumber.h: number and Boolean objects. */
#ifndef PDE_HOST_CFNUMBER_H
#define PDE_HOST_CFNUMBER_H

#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct CFOpaqueNumber* CFNumberRef;
typedef const struct CFOpaqueBoolean* CFBooleanRef;

typedef CFIndex CFNumberType;
enum {
  kCFNumberSInt8Type = 1,
  kCFNumberSInt16Type = 2,
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
  kCFNumberFloat32Type = 5,
  kCFNumberFloat64Type = 6,
  kCFNumberCharType = 7,
  kCFNumberShortType = 8,
  kCFNumberIntType = 9,
  kCFNumberLongType = 10,
  kCFNumberLongLongType = 11,
  kCFNumberFloatType = 12,
  kCFNumberDoubleType = 13,
  kCFNumberCFIndexType = 14,
  kCFNumberMaxType = 16
};

CF_EXPORT CFTypeID CFNumberGetTypeID(void);
/* Returns a new number holding *valuePtr read as theType; null for an unknown type. */
CF_EXPORT CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType,
                                     const void* valuePtr);
/* The type the number was created with (integers of C types map to the SInt types). */
CF_EXPORT CFNumberType CFNumberGetType(CFNumberRef number);
CF_EXPORT Boolean CFNumberIsFloatType(CFNumberRef number);
/* Writes the value as theType to valuePtr. Returns false, still writing the converted value, when
   the conversion loses value (out of range or a fraction dropped); false for bad arguments. */
CF_EXPORT Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
CF_EXPORT CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber,
                                             void* context);

CF_EXPORT extern const CFBooleanRef kCFBooleanTrue;
CF_EXPORT extern const CFBooleanRef kCFBooleanFalse;
CF_EXPORT CFTypeID CFBooleanGetTypeID(void);
CF_EXPORT Boolean CFBooleanGetValue(CFBooleanRef boolean);

#ifdef __cplusplus
}
#endif

#endif
