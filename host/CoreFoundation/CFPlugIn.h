/* CFPlugIn.h: the plug-in registry: factories, types and live instances. */
#ifndef PDE_HOST_CFPLUGIN_H
#define PDE_HOST_CFPLUGIN_H

#include "CFArray.h"
#include "CFBundle.h"
#include "CFUUID.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A plug-in is its bundle. */
typedef struct CFOpaqueBundle* CFPlugInRef;

/* Signature of a factory function named in CFPlugInFactories. */
typedef void* (*CFPlugInFactoryFunction)(CFAllocatorRef allocator, CFUUIDRef typeUUID);

/* Opens the bundle at plugInURL and registers the factories and types of its property list.
   Returns a new reference, or null. */
CF_EXPORT CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL);
/* Borrowed. */
CF_EXPORT CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn);
/* A new array of the factory UUIDs that plugIn registers for typeUUID (empty when none). */
CF_EXPORT CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID,
                                                                CFPlugInRef plugIn);
/* Loads the executable of the factory's plug-in and calls the factory function by the name its
   property list gives. Returns what the factory returns (an IUnknown interface), or null. */
CF_EXPORT void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID,
                                       CFUUIDRef typeUUID);
/* Called by a factory when it makes an instance, and when an instance goes away. */
CF_EXPORT void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID);
CF_EXPORT void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID);

#ifdef __cplusplus
}
#endif

#endif
