/* IBCarbonRuntime.h: nib files of a bundle, and windows made from them. */
#ifndef PDE_HOST_IBCARBONRUNTIME_H
#define PDE_HOST_IBCARBONRUNTIME_H

#include "MacWindows.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueIBNibRef* IBNibRef;

enum {
  kIBCarbonRuntimeCantFindNibFile = -10960,
  kIBCarbonRuntimeObjectNotOfRequestedType = -10961,
  kIBCarbonRuntimeCantFindObject = -10962
};

/* Opens Resources/<inNibName>.nib of the bundle; kIBCarbonRuntimeCantFindNibFile when it is
   missing or malformed. The reference is disposed of with DisposeNibReference. */
CF_EXPORT OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                                  IBNibRef* outNibRef);
CF_EXPORT void DisposeNibReference(IBNibRef inNibRef);
/* A fresh window, owned by the caller, built from the nib's window description inName;
   kIBCarbonRuntimeCantFindObject when the nib has no such window. */
CF_EXPORT OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow);

#ifdef __cplusplus
}
#endif

#endif
