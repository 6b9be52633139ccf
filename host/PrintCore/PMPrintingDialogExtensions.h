/* PMPrintingDialogExtensions.h: the types and interface tables of print dialog extensions. */
#ifndef PDE_HOST_PMPRINTINGDIALOGEXTENSIONS_H
#define PDE_HOST_PMPRINTINGDIALOGEXTENSIONS_H

#include "../Carbon/Carbon.h"
#include "PMCore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Type of the dialog extensions a printer module loads, and their interface. */
#define kPrinterModuleTypeIDStr "BDB091F4-E57F-11D3-B5CC-0050E4603277"
#define kDialogExtensionIntfIDStr "A996FD7E-B738-11D3-8519-0050E4603277"

/* The opaque word a host keeps between calls: the dialog extension's own context. */
typedef struct OpaquePMPDEContext* PMPDEContext;
typedef UInt32 PMPDEFlags;
typedef SInt32 PMPDERef;

enum { kPMPDENoFlags = 0 };

enum {
  kPMInvalidPDEContext = -9530
};

typedef struct PMPlugInAPIVersion {
  UInt32 buildVersionMajor;
  UInt32 buildVersionMinor;
  UInt32 baseVersionMajor;
  UInt32 baseVersionMinor;
} PMPlugInAPIVersion;

typedef struct PMPlugInHeaderInterface PMPlugInHeaderInterface;

/* The calls every printing plug-in interface begins with. */
typedef struct PMPlugInHeader {
  OSStatus (*Retain)(PMPlugInHeaderInterface* obj);
  OSStatus (*Release)(PMPlugInHeaderInterface** objPtr);
  OSStatus (*GetAPIVersion)(PMPlugInHeaderInterface* obj, PMPlugInAPIVersion* versionPtr);
} PMPlugInHeader;

/* What a host sees of an interface object: its table. */
struct PMPlugInHeaderInterface {
  const PMPlugInHeader* vtable;
};

/* The dialog-extension interface table, in the order the host relies on. */
typedef struct PlugInIntfVTable {
  PMPlugInHeader plugInHeader;
  OSStatus (*Prologue)(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                       CFStringRef* title, UInt32* maxH, UInt32* maxV);
  OSStatus (*Initialize)(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                         ControlRef parentUserPane, PMPrintSession printSession);
  OSStatus (*Sync)(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugin);
  OSStatus (*GetSummaryText)(PMPDEContext context, CFArrayRef* titleArray,
                             CFArrayRef* summaryArray);
  OSStatus (*Open)(PMPDEContext context);
  OSStatus (*Close)(PMPDEContext context);
  OSStatus (*Terminate)(PMPDEContext context, OSStatus status);
} PlugInIntfVTable;

#ifdef __cplusplus
}
#endif

#endif
