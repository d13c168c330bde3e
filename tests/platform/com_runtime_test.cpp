// Apartments per thread, and CoCreateInstance over registered classes.
#include <gtest/gtest.h>

#include <thread>

#include <flatdom/system.h>

namespace {

const CLSID kTestClass = {0x1234ABCD, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

HRESULT Create(const CLSID& clsid, REFIID iid, void** out) {
    *out = reinterpret_cast<void*>(1);
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iid, out);
}

TEST(Apartment, FirstThenAgainThenTheOtherModelPerThread) {
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        std::thread([] {  // another thread chooses for itself
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
            CoUninitialize();
        })
            .join();
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // left: free again
        CoUninitialize();
        CoUninitialize();  // one too many does nothing
    }).join();
}

TEST(CoCreateInstance, ReportsTheRealErrors) {
    std::thread([] {
        void* object;
        EXPECT_EQ(Create(CLSID_DOMDocument, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(Create(kTestClass, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(Create(CLSID_DOMDocument, IID_IStream, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(Create(CLSID_DOMDocument, IID_IXMLDOMDocument, &object), S_OK);
        EXPECT_EQ(static_cast<IXMLDOMDocument*>(object)->Release(), 0u);
        CoUninitialize();
    }).join();
}

}  // namespace
