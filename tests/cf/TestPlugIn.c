/* TestPlugIn.c: the executable of the sample bundle: a factory that registers its instances. */
#include <stdlib.h>

#include <CoreFoundation/CoreFoundation.h>

typedef struct {
  CFUUIDRef factoryID;
  CFUUIDRef typeID;
} TestInstance;

/* Factory named by the bundle's CFPlugInFactories: a new instance registered under the factory. */
__attribute__((visibility("default"))) void* CreateTestInstance(CFAllocatorRef allocator,
                                                                CFUUIDRef typeUUID) {
  (void)allocator;
  TestInstance* instance = calloc(1, sizeof *instance);
  if (instance == NULL) return NULL;
  instance->factoryID =
      CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR("5C34A7A0-06G8-69S8-BF35-000A9573BCE6"));
  instance->typeID = (CFUUIDRef)CFRetain(typeUUID);
  CFPlugInAddInstanceForFactory(instance->factoryID);
  return instance;
}

/* Unregisters and frees an instance made by CreateTestInstance. */
__attribute__((visibility("default"))) void DestroyTestInstance(void* object) {
  TestInstance* instance = object;
  if (instance == NULL) return;
  CFPlugInRemoveInstanceForFactory(instance->factoryID);
  CFRelease(instance->factoryID);
  CFRelease(instance->typeID);
  free(instance);
}
