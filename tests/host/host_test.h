// The host-level suite: the library as a host sees it, through the public
// header only, unchanged on Linux (our engine) and Windows (the system's).
// Where the engines may differ (reason texts, error lines, white space in
// text, the query language beyond plain paths), the tests ask only what the
// library promises.
#ifndef FLATDOM_TESTS_HOST_HOST_TEST_H
#define FLATDOM_TESTS_HOST_HOST_TEST_H

#include <gtest/gtest.h>

#include <flatdom/flatdom.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// Every test ends with the document and everything handed out given back.
class HostTest : public ::testing::Test {
  protected:
    void TearDown() override { ReleaseNodeInterfaces(); }

    // The path of a file in a folder of the running test's own (tests may
    // run in parallel processes).
    static std::filesystem::path PathOf(const std::string& name) {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / "flatdom-host-tests" /
            (std::string(test->test_suite_name()) + "." + test->name());
        std::filesystem::create_directories(folder);
        return folder / name;
    }
    // Writes a file there; its wide path.
    static std::wstring File(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = PathOf(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path.wstring();
    }

    // Sets or clears an environment variable of this process.
    static void SetEnvironment(const char* name, const char* value) {
#if defined(_WIN32)
        _putenv_s(name, value ? value : "");
#else
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
#endif
    }

    static std::wstring Text(IXMLDOMNode* node) {
        const wchar_t* text = GetXmlText(node);
        return text ? text : L"(null)";
    }
};

#endif
