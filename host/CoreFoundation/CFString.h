/* CFString.h: immutable and mutable Unicode strings held as UTF-16 code units. */
#ifndef PDE_HOST_CFSTRING_H
#define PDE_HOST_CFSTRING_H

#include <stdarg.h>
#include "CFBase.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt32 CFStringEncoding;
enum {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingISOLatin1 = 0x0201,
  kCFStringEncodingUTF8 = 0x08000100,
  kCFStringEncodingUTF16 = 0x0100
};

typedef CFOptionFlags CFStringCompareFlags;

typedef const struct CFOpaqueDictionary* CFDictionaryRef;

CF_EXPORT CFTypeID CFStringGetTypeID(void);

/* Returns the immortal constant string of the NUL-terminated UTF-8 text cStr, one object per
   text. Use through CFSTR. */
CF_EXPORT CFStringRef CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) CFStringMakeConstantString("" cStr "")

/* Creators: each returns a new string owned by the caller, or null on bad input or exhausted
   memory. */
CF_EXPORT CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                                   CFIndex numChars);
/* cStr is NUL-terminated text in encoding; null for bytes the encoding does not allow. */
CF_EXPORT CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                                CFStringEncoding encoding);
/* pStr is a Pascal string: its length byte, then that many bytes (NUL bytes included). */
CF_EXPORT CFStringRef CFStringCreateWithPascalString(CFAllocatorRef alloc, ConstStr255Param pStr,
                                                     CFStringEncoding encoding);
CF_EXPORT CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes,
                                              CFIndex numBytes, CFStringEncoding encoding,
                                              Boolean isExternalRepresentation);
/* printf-style formatting; %@ inserts the description of an object (a string's own text). */
CF_EXPORT CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                               CFStringRef format, ...);
CF_EXPORT CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                           CFDictionaryRef formatOptions,
                                                           CFStringRef format, va_list arguments);
CF_EXPORT CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
/* maxLength 0 means no limit; appends beyond a limit are cut at the limit. */
CF_EXPORT CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
CF_EXPORT CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                                       CFStringRef theString);

/* Length in UTF-16 code units; 0 for null. */
CF_EXPORT CFIndex CFStringGetLength(CFStringRef theString);
/* The code unit at idx; 0 when idx is out of range or the string is null. */
CF_EXPORT UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
CF_EXPORT void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
/* Writes the text NUL-terminated into buffer; false when it does not fit or a character has no
   representation in encoding. */
CF_EXPORT Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                                     CFStringEncoding encoding);
/* Bytes needed for length code units in encoding, without the terminating NUL. */
CF_EXPORT CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);

/* Options 0: a literal comparison of UTF-16 code units; the first differing unit decides and a
   prefix sorts first. Null sorts before any string. */
CF_EXPORT CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                             CFStringCompareFlags compareOptions);

CF_EXPORT void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
CF_EXPORT void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                                        CFIndex numChars);
CF_EXPORT void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                                     CFStringEncoding encoding);
CF_EXPORT void CFStringReplaceAll(CFMutableStringRef theString, CFStringRef replacement);

#ifdef __cplusplus
}
#endif

#endif
