// Files written by tests, in the test's temporary folder.
#ifndef FLATDOM_TESTS_SUPPORT_FILES_H
#define FLATDOM_TESTS_SUPPORT_FILES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

// Writes bytes to a file named name in the temporary folder, in a name of
// the running test's own (tests run in parallel processes); its path.
inline std::string WriteTestFile(const std::string& name, const std::string& bytes) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = ::testing::TempDir() + (test ? test->test_suite_name() : "") + "." +
                             (test ? test->name() : "") + "." + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

// A narrow path as the wide path the library takes (ASCII paths only).
inline std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Open file descriptors of this process.
int OpenDescriptors();

#endif
