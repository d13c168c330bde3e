// The conversions, which need no document.
#include <climits>
#include <cmath>
#include <limits>

#include "host/host_test.h"

namespace {

using Conversions = HostTest;

std::wstring Fixed(double value, int count) {
    return DoubleToString(value, count).GetString();
}

TEST_F(Conversions, HexStringToIntCountsEveryCharacterByItsTable) {
    const struct {
        const wchar_t* text;
        long value;
    } rows[] = {{L"1A", 26},
                {L"1a", 26},
                {L"001a", 26},
                {L"ff", 255},
                {L"", 0},
                {L"FFFFFFFF", -1},
                {L"7fffffff", 2147483647},
                {L"123456789", 591751049},
                {L"0x1A", 8474},
                {L"G", 16},
                {L"g", 16},
                {L"-1", -47},
                {L" 1", -255}};
    for (const auto& row : rows)
        EXPECT_EQ(HexStringToInt(row.text), row.value) << row.text;
    EXPECT_EQ(HexStringToInt(L"80000000"), -2147483647L - 1);
    EXPECT_EQ(HexStringToInt(nullptr), 0);
}

TEST_F(Conversions, FixedPointText) {
    const struct {
        double value;
        int count;
        const wchar_t* text;
    } rows[] = {
        {3.14159, 2, L"3.14"},
        {-0.05, 3, L"-0.050"},
        {0, 0, L"0"},
        {0, 2, L"0.00"},
        {1234.6, 0, L"1235"},
        {1234.56, 1, L"1234.6"},
        {99.99, 1, L"100.0"},
        {123, 3, L"123.000"},
        {0.006, 2, L"0.01"},
        {0.00001, 6, L"0.000010"},
        {0.4, 0, L"0"},
        {-0.4, 0, L"-0"},
        {-123.0001, -2, L"-123"},
        {3.7, 0, L"4"},
        {9.96, 1, L"10.0"},
        {1234.56, -1, L"1235"},
        // Exact ties round away from zero, as the Windows runtime does.
        {0.5, 0, L"1"},
        {-0.5, 0, L"-1"},
        {2.5, 0, L"3"},
        {0.125, 2, L"0.13"},
        {2.675, 2, L"2.67"},  // below the tie in binary
        // Below the precision: zero with every place asked for, the sign kept.
        {0.0001, 2, L"0.00"},
        {-0.0001, 2, L"-0.00"},
        {std::numeric_limits<double>::infinity(), 1, L"inf"},
        {-std::numeric_limits<double>::infinity(), 1, L"-inf"},
        {std::nan(""), 1, L"nan"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Fixed(row.value, row.count), row.text) << row.value << " at " << row.count;
    }
    EXPECT_EQ(std::wstring(FloatToString(0.1f, 10).GetString()), L"0.1000000015");
    EXPECT_EQ(std::wstring(FloatToString(0.1f, 2).GetString()), L"0.10");
}

TEST_F(Conversions, TextsBeyondAnyFixedBuffer) {
#if defined(_WIN32)
    // The digits come from the C runtime's _fcvt: Windows' gives them all,
    // Wine's (where these tests run) stops at 80 characters.
    GTEST_SKIP() << "long texts depend on the C runtime's _fcvt";
#endif
    EXPECT_EQ(Fixed(1.0, 300), L"1." + std::wstring(239, L'0'));       // 240 digits at most
    EXPECT_EQ(Fixed(0.5, INT_MAX), L"0.5" + std::wstring(239, L'0'));  // from the 5 on
    // Every integer digit; below 256 characters the point as the steps put
    // it even with no fraction digit left under the cap, beyond it none.
    const std::wstring exact = Fixed(1e245, 1);
    EXPECT_EQ(exact.size(), 247u);
    EXPECT_EQ(exact.back(), L'.');
    const std::wstring huge = Fixed(std::numeric_limits<double>::max(), 2);
    EXPECT_EQ(huge.size(), 309u);
    EXPECT_EQ(huge.substr(0, 6), L"179769");
    const std::wstring tiny = Fixed(1e-300, 400);
    EXPECT_EQ(tiny.substr(0, 2), L"0.");
    EXPECT_EQ(tiny.find_first_not_of(L'0', 2), 301u);
}

TEST_F(Conversions, OleStringsAndCStrings) {
    wchar_t* bstr = StringToBSTR(L"h\u00e9llo");
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(bstr[5], L'\0');
    EXPECT_EQ(BSTRToCString(bstr), L"h\u00e9llo");
    EXPECT_STREQ(bstr, L"h\u00e9llo");  // left to its owner
    ReleaseBSTR(bstr);
    wchar_t* empty = StringToBSTR(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    ReleaseBSTR(empty);
    const wchar_t raw[] = {L'a', L'b', L'\0', L'c'};
    BSTR embedded = SysAllocStringLen(raw, 4);
    EXPECT_EQ(BSTRToCString(embedded), L"ab");
    SysFreeString(embedded);
    EXPECT_EQ(StringToBSTR(nullptr), nullptr);
    EXPECT_TRUE(BSTRToCString(nullptr).IsEmpty());
    ReleaseBSTR(nullptr);
}

}  // namespace
