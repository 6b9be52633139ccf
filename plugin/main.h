/* main.h: the plug-in's one exported entry point, which the bundle's Info.plist names. */
#ifndef ZOR_MAIN_H
#define ZOR_MAIN_H

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The factory string of the bundle's Info.plist, and the UUIDs the plug-in answers to. */
#define kPDEFactoryIDStr "5C34A7A0-06G8-69S8-BF35-000A9573BCE6"

/* Makes an IUnknown instance for reqTypeID when it equals the printer-module dialog-extension
   type (by value). The instance, with a count of 1, is released through its own table
   (IUnknownVTbl.Release) and registered under the factory UUID while it lives. Returns null for
   any other type, a null type, or when memory is exhausted; nothing is registered then.
   allocator is not used. */
__attribute__((visibility("default"))) void* CreatePDEFactory(CFAllocatorRef allocator,
                                                              CFUUIDRef reqTypeID);

#ifdef __cplusplus
}
#endif

#endif
