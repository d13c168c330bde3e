// Tests of the library through its exports and its internals: on top of the
// host-level fixture, message boxes are recorded, and each test ends with the
// apartment left and no engine object alive.
#ifndef FLATDOM_TESTS_SUPPORT_LIBRARY_FIXTURE_H
#define FLATDOM_TESTS_SUPPORT_LIBRARY_FIXTURE_H

#include <vector>

#include "host/host_test.h"
#include "support/files.h"

class LibraryTest : public HostTest {
  protected:
    struct Box {
        std::wstring caption;
        std::wstring text;
        UINT style;
    };

    void SetUp() override { SetMessageBoxHandler(&LibraryTest::Record, &boxes); }
    void TearDown() override {
        HostTest::TearDown();
        LeaveApartment();
        SetMessageBoxHandler(nullptr, nullptr);
        EXPECT_EQ(DomEngineLiveObjects(), 0) << "an engine object was left alive";
    }

    // Undoes every initialisation of COM still standing on this thread.
    static void LeaveApartment() {
        while (true) {
            const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            CoUninitialize();
            if (hr == S_OK) return;
            if (hr == S_FALSE || hr == RPC_E_CHANGED_MODE) CoUninitialize();
        }
    }

    std::vector<Box> boxes;

  private:
    static int Record(void* context, LPCWSTR caption, LPCWSTR text, UINT style) {
        static_cast<std::vector<Box>*>(context)->push_back({caption, text, style});
        return IDOK;
    }
};

#endif
