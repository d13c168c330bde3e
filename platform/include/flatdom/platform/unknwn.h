// IUnknown and IClassFactory, the two interfaces every COM class here builds on.
#ifndef FLATDOM_PLATFORM_UNKNWN_H
#define FLATDOM_PLATFORM_UNKNWN_H

#include "wintypes.h"

extern "C" FLATDOM_PLATFORM_API const IID IID_IUnknown;  // {00000000-0000-0000-C000-000000000046}
extern "C" FLATDOM_PLATFORM_API const IID
    IID_IClassFactory;  // {00000001-0000-0000-C000-000000000046}

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct IClassFactory : public IUnknown {
    // Creates an instance answering riid; pUnkOuter must be null (no aggregation).
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;

  protected:
    ~IClassFactory() = default;
};

#endif
