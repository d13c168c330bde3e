// The C runtime stand-ins, against their documented behaviour.
#include <gtest/gtest.h>

#include <flatdom/platform/windows.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

struct Digits {
    std::string text;
    int decimal;
    int sign;
};

Digits Fcvt(double value, int count) {
    int decimal = 99;
    int sign = 99;
    const char* text = _fcvt(value, count, &decimal, &sign);
    return {text, decimal, sign};
}

TEST(Fcvt, GivesEveryDigitExactly) {
    const Digits one = Fcvt(1.0, 300);
    EXPECT_EQ(one.text, "1" + std::string(300, '0'));
    EXPECT_EQ(one.decimal, 1);
    // 0.1 is 0.1000000000000000055511151231257827021181583404541015625.
    EXPECT_EQ(Fcvt(0.1, 40).text, "1000000000000000055511151231257827021182");
    EXPECT_EQ(Fcvt(0.1, 40).decimal, 0);
    // 2^70 has more integer digits than 17.
    EXPECT_EQ(Fcvt(1180591620717411303424.0, 1).text, "11805916207174113034240");
    EXPECT_EQ(Fcvt(1180591620717411303424.0, 1).decimal, 22);
}

TEST(Fcvt, PlacesThePointAndTheSign) {
    const Digits small = Fcvt(-0.05, 3);
    EXPECT_EQ(small.text, "50");
    EXPECT_EQ(small.decimal, -1);
    EXPECT_NE(small.sign, 0);
    const Digits carried = Fcvt(99.99, 1);
    EXPECT_EQ(carried.text, "1000");
    EXPECT_EQ(carried.decimal, 3);
    EXPECT_EQ(carried.sign, 0);
}

TEST(Fcvt, ZeroAndValuesThatRoundToZero) {
    EXPECT_EQ(Fcvt(0.0, 2).text, "00");
    EXPECT_EQ(Fcvt(0.0, 2).decimal, 0);
    EXPECT_EQ(Fcvt(0.0, 0).text, "");
    EXPECT_EQ(Fcvt(0.4, 0).text, "");
    EXPECT_EQ(Fcvt(0.4, 0).decimal, 0);
    EXPECT_EQ(Fcvt(0.0001, 2).text, "");
    EXPECT_LT(Fcvt(0.0001, 2).decimal, 0);
    EXPECT_NE(Fcvt(-0.4, 0).sign, 0);
}

TEST(Fcvt, HugeCountsAndNonFiniteValuesStayBounded) {
    EXPECT_EQ(Fcvt(0.5, INT_MAX).text.size(), 1100u);
    EXPECT_EQ(Fcvt(1.0 / 0.0, 3).text, "");
    EXPECT_EQ(Fcvt(-1.0 / 0.0, 3).sign, 1);
}

TEST(Wtoi, ReadsLikeTheRuntime) {
    EXPECT_EQ(_wtoi(L"26"), 26);
    EXPECT_EQ(_wtoi(L"  \t-5x"), -5);
    EXPECT_EQ(_wtoi(L"+7"), 7);
    EXPECT_EQ(_wtoi(L"0x1A"), 0);
    EXPECT_EQ(_wtoi(L"3.5"), 3);
    EXPECT_EQ(_wtoi(L"abc"), 0);
    EXPECT_EQ(_wtoi(L""), 0);
    EXPECT_EQ(_wtoi(nullptr), 0);
}

TEST(Wtoi, SaturatesOutOfRange) {
    EXPECT_EQ(_wtoi(L"2147483647"), INT_MAX);
    EXPECT_EQ(_wtoi(L"2147483648"), INT_MAX);
    EXPECT_EQ(_wtoi(L"99999999999999999999999"), INT_MAX);
    EXPECT_EQ(_wtoi(L"-2147483648"), INT_MIN);
    EXPECT_EQ(_wtoi(L"-2147483649"), INT_MIN);
}

TEST(Wcsnicmp, IgnoresAsciiCaseWithinTheCount) {
    EXPECT_EQ(_wcsnicmp(L"FiLe://x", L"file://", 7), 0);
    EXPECT_EQ(_wcsnicmp(L"FILE", L"file:", 5), -1);  // the shorter ends first
    EXPECT_GT(_wcsnicmp(L"b", L"A", 1), 0);
    EXPECT_EQ(_wcsnicmp(L"abc", L"abd", 2), 0);
    EXPECT_NE(_wcsnicmp(L"\u00c9", L"\u00e9", 1), 0);  // only ASCII letters fold
}

TEST(Wfopen, OpensWidePathsAsUtf8) {
    const std::string dir = ::testing::TempDir();
    const std::string narrow = dir + "na\xc3\xafve \xe2\x82\xac.txt";
    std::FILE* out = std::fopen(narrow.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("wide", out);
    std::fclose(out);

    const std::wstring wide = std::wstring(dir.begin(), dir.end()) + L"na\u00efve \u20ac.txt";
    std::FILE* in = _wfopen(wide.c_str(), L"rb");
    ASSERT_NE(in, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, in), 4u);
    EXPECT_STREQ(buffer, "wide");
    std::fclose(in);
    std::remove(narrow.c_str());
    EXPECT_EQ(_wfopen(wide.c_str(), L"rb"), nullptr);
}

TEST(Interlocked, AnswersTheNewCount) {
    LONG count = 1;
    EXPECT_EQ(InterlockedIncrement(&count), 2);
    EXPECT_EQ(InterlockedDecrement(&count), 1);
    EXPECT_EQ(InterlockedDecrement(&count), 0);
}

TEST(GetModuleFileNameW, NamesThisProgram) {
    wchar_t path[1024];
    const DWORD length = GetModuleFileNameW(nullptr, path, 1024);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::wstring(path).find(L"platform_tests"), std::wstring::npos);
    wchar_t small[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
    EXPECT_EQ(small[3], L'\0');
}

}  // namespace
