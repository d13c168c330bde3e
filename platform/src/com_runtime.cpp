// The COM runtime: apartment state per thread, and object creation from
// registered class factories or the built-in classes.
#include <flatdom/platform/class_table.h>
#include <flatdom/platform/combaseapi.h>

#include <mutex>
#include <vector>

namespace {

struct Apartment {
    unsigned long initCount = 0;
    DWORD model = 0;
};
thread_local Apartment t_apartment;

struct Registration {
    DWORD cookie;
    CLSID clsid;
    IClassFactory* factory;
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}
DWORD g_nextCookie = 1;

// The factory registered last for clsid, with a reference for the caller.
IClassFactory* FindRegistered(REFCLSID clsid) {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto& all = Registrations();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (IsEqualCLSID(it->clsid, clsid)) {
            it->factory->AddRef();
            return it->factory;
        }
    }
    return nullptr;
}

// A class of the built-in table (class_table.h); REGDB_E_CLASSNOTREG for
// another.
HRESULT CreateBuiltinInstance(REFCLSID clsid, REFIID riid, void** ppv) {
    const platform::ClassTable& table = platform::kBuiltinClasses;
    for (std::size_t i = 0; i < table.count; ++i) {
        if (IsEqualCLSID(clsid, *table.entries[i].clsid)) return table.entries[i].make(riid, ppv);
    }
    return REGDB_E_CLASSNOTREG;
}

DWORD ModelOf(DWORD dwCoInit) {
    return (dwCoInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
}

}  // namespace

extern "C" {

HRESULT CoInitializeEx(LPVOID, DWORD dwCoInit) {
    Apartment& apartment = t_apartment;
    const DWORD model = ModelOf(dwCoInit);
    if (apartment.initCount == 0) {
        apartment.model = model;
        apartment.initCount = 1;
        return S_OK;
    }
    if (apartment.model != model) return RPC_E_CHANGED_MODE;
    ++apartment.initCount;
    return S_FALSE;
}

void CoUninitialize() {
    if (t_apartment.initCount > 0) --t_apartment.initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (t_apartment.initCount == 0) return CO_E_NOTINITIALIZED;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    if (!(dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER))) {
        return REGDB_E_CLASSNOTREG;
    }
    if (IClassFactory* factory = FindRegistered(rclsid)) {
        HRESULT hr = factory->CreateInstance(nullptr, riid, ppv);
        factory->Release();
        if (FAILED(hr)) *ppv = nullptr;
        return hr;
    }
    return CreateBuiltinInstance(rclsid, riid, ppv);
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD, DWORD, DWORD* lpdwRegister) {
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    *lpdwRegister = 0;
    IClassFactory* factory = nullptr;
    HRESULT hr = pUnk->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) return E_NOINTERFACE;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    const DWORD cookie = g_nextCookie++;
    Registrations().push_back({cookie, rclsid, factory});
    *lpdwRegister = cookie;
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    IClassFactory* factory = nullptr;
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        auto& all = Registrations();
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (it->cookie == dwRegister) {
                factory = it->factory;
                all.erase(it);
                break;
            }
        }
    }
    if (!factory) return CO_E_OBJNOTREG;
    factory->Release();
    return S_OK;
}

}  // extern "C"
