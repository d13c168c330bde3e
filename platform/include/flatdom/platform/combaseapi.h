// The COM runtime: per-thread apartments, a class table for CoCreateInstance
// and the task allocator.
//
// Classes come from a built-in table that the platform library is built with
// (the XML DOM engine's document class) and from factories registered with
// CoRegisterClassObject, which take precedence until revoked, as
// process-local registrations do on Windows.
#ifndef FLATDOM_PLATFORM_COMBASEAPI_H
#define FLATDOM_PLATFORM_COMBASEAPI_H

#include "unknwn.h"

enum COINIT { COINIT_MULTITHREADED = 0x0, COINIT_APARTMENTTHREADED = 0x2 };

enum CLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_ALL = 0x17,
};

enum REGCLS { REGCLS_SINGLEUSE = 0, REGCLS_MULTIPLEUSE = 1 };

extern "C" {
// S_OK the first time on a thread, S_FALSE again in the same model,
// RPC_E_CHANGED_MODE for a thread already in the other model.
FLATDOM_PLATFORM_API HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
// Balances one successful CoInitializeEx on the calling thread.
FLATDOM_PLATFORM_API void CoUninitialize();
// CO_E_NOTINITIALIZED outside an apartment, REGDB_E_CLASSNOTREG for an unknown
// class, E_NOINTERFACE when the object does not answer riid; *ppv is null then.
FLATDOM_PLATFORM_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter,
                                              DWORD dwClsContext, REFIID riid, LPVOID* ppv);
// Registers a class factory (IClassFactory) for rclsid; it holds one reference
// until CoRevokeClassObject with the cookie.
FLATDOM_PLATFORM_API HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk,
                                                   DWORD dwClsContext, DWORD flags,
                                                   DWORD* lpdwRegister);
FLATDOM_PLATFORM_API HRESULT CoRevokeClassObject(DWORD dwRegister);

// The task allocator, one for the whole process: whoever allocated a block,
// any module may free it. Zero bytes give a block too; null when there is no
// room. Freeing null does nothing.
FLATDOM_PLATFORM_API LPVOID CoTaskMemAlloc(SIZE_T cb);
FLATDOM_PLATFORM_API void CoTaskMemFree(LPVOID pv);
}

#endif
