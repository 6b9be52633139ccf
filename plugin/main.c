/* main.c: the plug-in factory, its reference-counted instance and the dialog-extension
   interface objects with their table of pane operations. */
#include "main.h"

#include <stdlib.h>
#include <string.h>

#include <PrintCore/PMPrintingDialogExtensions.h>

#include "../pane/zor-source.h"

/* The IUnknown instance the factory makes. */
typedef struct IUnknownInstance {
  IUnknownVTbl* vtable;       /* always &vtableStorage */
  IUnknownVTbl vtableStorage;
  CFUUIDRef factoryID;        /* owned */
  ULONG refCount;
} IUnknownInstance;

/* A dialog-extension interface object; the host sees it as a PMPlugInHeaderInterface. */
typedef struct PlugInIntfInstance {
  const PlugInIntfVTable* vtable; /* allocated for this object alone, owned */
  ULONG refCount;
} PlugInIntfInstance;

static HRESULT QueryInterface(void* obj, REFIID iID, LPVOID* intfPtr);
static ULONG IUnknownAddRef(void* obj);
static ULONG IUnknownRelease(void* obj);
static OSStatus Retain(PMPlugInHeaderInterface* obj);
static OSStatus Release(PMPlugInHeaderInterface** objPtr);
static OSStatus GetAPIVersion(PMPlugInHeaderInterface* obj, PMPlugInAPIVersion* versionPtr);

void* CreatePDEFactory(CFAllocatorRef allocator, CFUUIDRef reqTypeID) {
  CFUUIDRef myInstID = CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kPrinterModuleTypeIDStr));
  CFUUIDRef myFactoryID = CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kPDEFactoryIDStr));
  IUnknownInstance* instance = NULL;
  (void)allocator;

  if (myInstID != NULL && myFactoryID != NULL && CFEqual(reqTypeID, myInstID)) {
    instance = (IUnknownInstance*)malloc(sizeof(IUnknownInstance));
    if (instance != NULL) {
      memset(instance, 0, sizeof(IUnknownInstance));
      instance->factoryID = myFactoryID;
      myFactoryID = NULL; /* the instance owns it now */
      instance->vtable = &instance->vtableStorage;
      instance->refCount = 1;
      instance->vtableStorage.QueryInterface = QueryInterface;
      instance->vtableStorage.AddRef = IUnknownAddRef;
      instance->vtableStorage.Release = IUnknownRelease;
      CFPlugInAddInstanceForFactory(instance->factoryID);
    }
  }
  if (myFactoryID != NULL) CFRelease(myFactoryID);
  if (myInstID != NULL) CFRelease(myInstID);
  return instance;
}

/* A new dialog-extension interface object with a count of 1, or null when memory is exhausted. */
static PlugInIntfInstance* CreatePlugInIntfInstance(void) {
  PlugInIntfInstance* intfInstance = (PlugInIntfInstance*)malloc(sizeof(PlugInIntfInstance));
  PlugInIntfVTable* table = (PlugInIntfVTable*)calloc(1, sizeof(PlugInIntfVTable));

  if (intfInstance == NULL || table == NULL) {
    free(table);
    free(intfInstance);
    return NULL;
  }
  table->plugInHeader.Retain = Retain;
  table->plugInHeader.Release = Release;
  table->plugInHeader.GetAPIVersion = GetAPIVersion;
  table->Prologue = Prologue;
  table->Initialize = Initialize;
  table->Sync = Sync;
  table->GetSummaryText = GetSummaryText;
  table->Open = Open;
  table->Close = Close;
  table->Terminate = Terminate;
  intfInstance->vtable = table;
  intfInstance->refCount = 1;
  return intfInstance;
}

static HRESULT QueryInterface(void* obj, REFIID iID, LPVOID* intfPtr) {
  CFUUIDRef reqIntfID = CFUUIDCreateFromUUIDBytes(kCFAllocatorDefault, iID);
  CFUUIDRef myIntfID = CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kDialogExtensionIntfIDStr));
  HRESULT result = E_NOINTERFACE;

  if (obj == NULL || intfPtr == NULL || reqIntfID == NULL || myIntfID == NULL) {
    if (intfPtr != NULL) *intfPtr = NULL;
  } else if (CFEqual(reqIntfID, IUnknownUUID)) {
    IUnknownInstance* instance = (IUnknownInstance*)obj;
    instance->vtable->AddRef(obj);
    *intfPtr = obj;
    result = S_OK;
  } else if (CFEqual(reqIntfID, myIntfID)) {
    /* A failed allocation hands out nothing yet answers S_OK, as the host expects. */
    *intfPtr = CreatePlugInIntfInstance();
    result = S_OK;
  } else {
    *intfPtr = NULL;
  }

  if (reqIntfID != NULL) CFRelease(reqIntfID);
  if (myIntfID != NULL) CFRelease(myIntfID);
  return result;
}

static ULONG IUnknownAddRef(void* obj) {
  IUnknownInstance* instance = (IUnknownInstance*)obj;
  if (instance == NULL) return 0;
  return ++instance->refCount;
}

static ULONG IUnknownRelease(void* obj) {
  IUnknownInstance* instance = (IUnknownInstance*)obj;
  if (instance == NULL || instance->refCount == 0) return 0;
  if (--instance->refCount > 0) return instance->refCount;

  CFPlugInRemoveInstanceForFactory(instance->factoryID);
  CFRelease(instance->factoryID);
  instance->factoryID = NULL;
  free(instance);
  return 0;
}

static OSStatus Retain(PMPlugInHeaderInterface* obj) {
  PlugInIntfInstance* intfInstance = (PlugInIntfInstance*)obj;
  if (intfInstance != NULL) ++intfInstance->refCount;
  return noErr;
}

static OSStatus Release(PMPlugInHeaderInterface** objPtr) {
  PlugInIntfInstance* intfInstance;

  if (objPtr == NULL || *objPtr == NULL) return noErr;
  intfInstance = (PlugInIntfInstance*)*objPtr;
  *objPtr = NULL;
  if (intfInstance->refCount == 0 || --intfInstance->refCount > 0) return noErr;
  free((void*)intfInstance->vtable);
  free(intfInstance);
  return noErr;
}

static OSStatus GetAPIVersion(PMPlugInHeaderInterface* obj, PMPlugInAPIVersion* versionPtr) {
  (void)obj;
  if (versionPtr == NULL) return paramErr;
  versionPtr->buildVersionMajor = 1;
  versionPtr->buildVersionMinor = 0;
  versionPtr->baseVersionMajor = 1;
  versionPtr->baseVersionMinor = 0;
  return noErr;
}
