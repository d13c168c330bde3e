// Tests of the library through its exports: message boxes are recorded, and
// each test ends with everything released, the apartment left and no engine
// object alive.
#ifndef FLATDOM_TESTS_SUPPORT_LIBRARY_FIXTURE_H
#define FLATDOM_TESTS_SUPPORT_LIBRARY_FIXTURE_H

#include <gtest/gtest.h>

#include <flatdom/flatdom.h>

#include <string>
#include <vector>

#include "support/files.h"

class LibraryTest : public ::testing::Test {
  protected:
    struct Box {
        std::wstring caption;
        std::wstring text;
        UINT style;
    };

    void SetUp() override { SetMessageBoxHandler(&LibraryTest::Record, &boxes); }
    void TearDown() override {
        ReleaseNodeInterfaces();
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

    // A plain document file in the temporary folder, as a wide path.
    static std::wstring PlainFile(const std::string& name, const std::string& xml) {
        return Wide(WriteTestFile(name, xml));
    }

    std::vector<Box> boxes;

  private:
    static int Record(void* context, LPCWSTR caption, LPCWSTR text, UINT style) {
        static_cast<std::vector<Box>*>(context)->push_back({caption, text, style});
        return IDOK;
    }
};

#endif
