/* CFPlugInCOM.h: the COM conventions of plug-in interfaces. */
#ifndef PDE_HOST_CFPLUGINCOM_H
#define PDE_HOST_CFPLUGINCOM_H

#include "CFPlugIn.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt32 HRESULT;
typedef UInt32 ULONG;
typedef void* LPVOID;
typedef CFUUIDBytes REFIID;

#define S_OK ((HRESULT)0x00000000)
#define E_NOINTERFACE ((HRESULT)0x80000004)
#define SUCCEEDED(Status) ((HRESULT)(Status) >= 0)
#define FAILED(Status) ((HRESULT)(Status) < 0)

/* Every COM interface table begins with these four fields. */
typedef struct IUnknownVTbl {
  void* _reserved;
  HRESULT (*QueryInterface)(void* thisPointer, REFIID iid, LPVOID* ppv);
  ULONG (*AddRef)(void* thisPointer);
  ULONG (*Release)(void* thisPointer);
} IUnknownVTbl;

/* 00000000-0000-0000-C000-000000000046 */
#define IUnknownUUID                                                                            \
  CFUUIDGetConstantUUIDWithBytes(NULL, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, \
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

#ifdef __cplusplus
}
#endif

#endif
