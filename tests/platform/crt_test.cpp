// The C runtime stand-ins, against their documented behaviour.
#include <gtest/gtest.h>

#include <flatdom/platform/windows.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <string>

#include "support/comma_locale.h"

namespace {

struct Digits {
    std::string text;
    int decimal;
    int sign;
};

Digits Fcvt(double value, int count) {
    Digits d{"", 99, 99};
    d.text = _fcvt(value, count, &d.decimal, &d.sign);
    return d;
}

// A host may set a locale whose decimal separator is a comma; the digits and
// the point's place must not change (the test's own locale comes from
// LOCPATH, made by the comma_locale test fixture).
TEST(Fcvt, IgnoresTheLocale) {
    FLATDOM_USE_COMMA_LOCALE(LC_NUMERIC);
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 1.5);
    const Digits pi = Fcvt(3.14159, 2);
    const Digits money = Fcvt(1234.56, 1);
    const Digits small = Fcvt(-0.05, 3);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_STREQ(printed, "1,5");  // the locale was in force
    EXPECT_EQ(pi.text + "/" + std::to_string(pi.decimal), "314/1");
    EXPECT_EQ(money.text + "/" + std::to_string(money.decimal), "12346/4");
    EXPECT_EQ(small.text + "/" + std::to_string(small.decimal), "50/-1");
}

TEST(Wtoi, ReadsLikeTheRuntimeAndSaturates) {
    EXPECT_EQ(_wtoi(L"  \t-5x"), -5);
    EXPECT_EQ(_wtoi(L"+7"), 7);
    EXPECT_EQ(_wtoi(L"0x1A"), 0);
    EXPECT_EQ(_wtoi(L"abc"), 0);
    EXPECT_EQ(_wtoi(nullptr), 0);
    EXPECT_EQ(_wtoi(L"2147483648"), INT_MAX);
    EXPECT_EQ(_wtoi(L"99999999999999999999999"), INT_MAX);
    EXPECT_EQ(_wtoi(L"-2147483648"), INT_MIN);
    EXPECT_EQ(_wtoi(L"-2147483649"), INT_MIN);
}

// An open file's type and size, sizes past 4 GiB too (a 32-bit build's
// plain fstat refuses those).
TEST(Fstat64, TellsAnOpenFilesTypeAndSize) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int fd = _fileno(file);
    ASSERT_EQ(ftruncate(fd, (5ll << 30) + 3), 0);  // sparse
    struct _stat64 status {};
    ASSERT_EQ(_fstat64(fd, &status), 0);
    EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFREG);
    EXPECT_EQ(status.st_size, (5ll << 30) + 3);
    std::fclose(file);
    std::FILE* folder = std::fopen(".", "r");
    ASSERT_NE(folder, nullptr);
    ASSERT_EQ(_fstat64(_fileno(folder), &status), 0);
    EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFDIR);
    std::fclose(folder);
    EXPECT_EQ(_fstat64(-1, &status), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(_fileno(nullptr), -1);
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
