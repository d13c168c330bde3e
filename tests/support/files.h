// Files written by tests, in a folder of the running test's own (tests run
// in parallel processes).
#ifndef FLATDOM_TESTS_SUPPORT_FILES_H
#define FLATDOM_TESTS_SUPPORT_FILES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

// Writes bytes to the file name there; its path.
inline std::filesystem::path TestFile(const std::string& name, const std::string& bytes) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "flatdom-tests" /
        (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
    return folder / name;
}

// Open file descriptors of this process.
int OpenDescriptors();

#endif
