/* CFBundle.h: bundle directories, their property lists, executables and localized strings. */
#ifndef PDE_HOST_CFBUNDLE_H
#define PDE_HOST_CFBUNDLE_H

#include "CFBase.h"
#include "CFDictionary.h"
#include "CFURL.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CFOpaqueBundle* CFBundleRef;

CF_EXPORT CFTypeID CFBundleGetTypeID(void);
/* Opens the bundle directory at bundleURL (Contents/Info.plist, Contents/MacOS,
   Contents/Resources). Returns a new reference, or null when the directory or its property list
   cannot be read. A second Create for the same directory returns the same bundle. */
CF_EXPORT CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
/* Borrowed: a bundle the process holds open with this identifier, or null. */
CF_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
/* Borrowed: the CFBundleIdentifier of the property list, or null. */
CF_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
/* Borrowed: the whole property list. */
CF_EXPORT CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
/* Borrowed: one value of the property list, or null. */
CF_EXPORT CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
/* A new URL of the bundle directory. */
CF_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
/* A new string: the value of key in the table tableName ("Localizable" when null) of the
   language the environment prefers, falling back to the development region; value when the key
   is missing (or the key itself when value is null). */
CF_EXPORT CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key,
                                                  CFStringRef value, CFStringRef tableName);
/* Loads Contents/MacOS/<CFBundleExecutable>; true when it is loaded. */
CF_EXPORT Boolean CFBundleLoadExecutable(CFBundleRef bundle);
CF_EXPORT Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle);
/* Unloads the executable unless a plug-in instance of one of its factories is alive. */
CF_EXPORT void CFBundleUnloadExecutable(CFBundleRef bundle);
/* Borrowed address of an exported function of the loaded executable, or null. */
CF_EXPORT void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);

#ifdef __cplusplus
}
#endif

#endif
