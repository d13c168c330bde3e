// Apartments per thread and CoCreateInstance over registered classes.
#include <gtest/gtest.h>

#include <flatdom/platform/windows.h>
#include <flatdom/platform/msxml.h>

#include <thread>

namespace {

const CLSID kTestClass = {0x1234ABCD, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

// A class factory whose objects answer IUnknown only.
struct Factory final : IClassFactory {
    long refs = 1;
    long created = 0;
    struct Object final : IUnknown {
        long refs = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
            *ppv = nullptr;
            if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
            *ppv = this;
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override {
            const long left = --refs;
            if (left == 0) delete this;
            return left;
        }
    };
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        ++created;
        auto* object = new Object;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TEST(Apartment, FirstInitialisationThenRepeatsThenOtherModel) {
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        CoUninitialize();
        // Left completely: the thread may choose again.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        CoUninitialize();  // one too many: nothing happens
    }).join();
}

TEST(Apartment, IsPerThread) {
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        std::thread([] {
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
            CoUninitialize();
        }).join();
        CoUninitialize();
    }).join();
}

TEST(CoCreateInstance, ReportsTheRealErrors) {
    std::thread([] {
        IUnknown* object = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);

        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        object = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, 5, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);

        object = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, 5, IID_IStream,
                                   reinterpret_cast<void**>(&object)),
                  E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        CoUninitialize();
    }).join();
}

TEST(CoCreateInstance, UsesRegisteredFactoriesUntilRevoked) {
    Factory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              S_OK);
    EXPECT_EQ(factory.refs, 2);  // the registration holds one
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);

    IUnknown* object = nullptr;
    EXPECT_EQ(
        CoCreateInstance(kTestClass, nullptr, 5, IID_IUnknown, reinterpret_cast<void**>(&object)),
        S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(factory.created, 1);
    EXPECT_EQ(object->Release(), 0u);

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(factory.refs, 1);
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
    EXPECT_EQ(
        CoCreateInstance(kTestClass, nullptr, 5, IID_IUnknown, reinterpret_cast<void**>(&object)),
        REGDB_E_CLASSNOTREG);
    CoUninitialize();
}

TEST(CoCreateInstance, MakesTheDomDocument) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    IXMLDOMDocument* document = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IXMLDOMDocument, reinterpret_cast<void**>(&document)),
        S_OK);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->Release(), 0u);
    EXPECT_EQ(DomEngineLiveObjects(), 0);
    CoUninitialize();
}

}  // namespace
