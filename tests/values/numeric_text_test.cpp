// Hexadecimal reading and fixed-point formatting through the exports.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include <flatdom/flatdom.h>

namespace {

std::wstring Fixed(double value, int count) {
    return DoubleToString(value, count).GetString();
}

TEST(HexStringToInt, ReadsDigitsOfEitherCase) {
    EXPECT_EQ(HexStringToInt(L"1A"), 26);
    EXPECT_EQ(HexStringToInt(L"1a"), 26);
    EXPECT_EQ(HexStringToInt(L"001a"), 26);
    EXPECT_EQ(HexStringToInt(L"ff"), 255);
    EXPECT_EQ(HexStringToInt(L""), 0);
}

TEST(HexStringToInt, WrapsAtThirtyTwoBits) {
    EXPECT_EQ(HexStringToInt(L"FFFFFFFF"), -1);
    EXPECT_EQ(HexStringToInt(L"80000000"), static_cast<long>(INT_MIN));
    EXPECT_EQ(HexStringToInt(L"7fffffff"), INT_MAX);
    EXPECT_EQ(HexStringToInt(L"123456789"), 591751049);  // the last eight digits
}

TEST(HexStringToInt, CountsEveryOtherCharacterByTheSameTable) {
    EXPECT_EQ(HexStringToInt(L"0x1A"), 8474);  // no prefix is skipped: x counts 33
    EXPECT_EQ(HexStringToInt(L"G"), 16);
    EXPECT_EQ(HexStringToInt(L"g"), 16);
    EXPECT_EQ(HexStringToInt(L"-1"), -47);   // '-' counts -3
    EXPECT_EQ(HexStringToInt(L" 1"), -255);  // ' ' counts -16
    EXPECT_EQ(HexStringToInt(L"`"), 0x60 - 48);
    EXPECT_EQ(HexStringToInt(L"_"), 0x5F - 55);
    EXPECT_EQ(HexStringToInt(L"\u00e9"), 0xE9 - 87);  // non-ASCII: c - 87
}

TEST(HexStringToInt, NullTextIsZero) {
    EXPECT_EQ(HexStringToInt(nullptr), 0);
}

struct FixedCase {
    double value;
    int count;
    const wchar_t* expected;
};

TEST(DoubleToString, WorkedExamples) {
    const FixedCase cases[] = {
        {3.14159, 2, L"3.14"},     {-0.05, 3, L"-0.050"}, {0, 0, L"0"},
        {0, 2, L"0.00"},           {1234.6, 0, L"1235"},  {1234.56, 1, L"1234.6"},
        {99.99, 1, L"100.0"},      {123, 3, L"123.000"},  {0.006, 2, L"0.01"},
        {0.00001, 6, L"0.000010"}, {0.4, 0, L"0"},        {-0.4, 0, L"-0"},
        {-123.0001, -2, L"-123"},  {3.7, 0, L"4"},        {9.96, 1, L"10.0"},
        {1234.56, -1, L"1235"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(Fixed(c.value, c.count), c.expected) << c.value << " at " << c.count;
    }
}

TEST(DoubleToString, NegativeCountActsAsZero) {
    for (double value : {1234.56, -0.4, 0.0, 99.5, 1e20}) {
        EXPECT_EQ(Fixed(value, -5), Fixed(value, 0)) << value;
    }
}

TEST(DoubleToString, CapsTheDigitsAtTwoHundredForty) {
    const std::wstring one = Fixed(1.0, 300);
    EXPECT_EQ(one.size(), 241u);
    EXPECT_EQ(one, L"1." + std::wstring(239, L'0'));
    // Zero keeps the cap too, with its leading "0." in front.
    EXPECT_EQ(Fixed(0.0, 300), L"0." + std::wstring(240, L'0'));
}

TEST(DoubleToString, TinyValuesRoundToZeroWithAllTheirPlaces) {
    EXPECT_EQ(Fixed(0.0001, 2), L"0.00");
    EXPECT_EQ(Fixed(-0.0001, 2), L"-0.00");
    EXPECT_EQ(Fixed(1e-300, 3), L"0.000");
    EXPECT_EQ(Fixed(0.004, 0), L"0");
}

TEST(DoubleToString, LongTextsAreWhole) {
    // 309 integer digits: longer than any fixed buffer, and nothing cut off.
    const std::wstring max = Fixed(std::numeric_limits<double>::max(), 2);
    EXPECT_EQ(max.size(), 309u);
    EXPECT_EQ(max.substr(0, 6), L"179769");
    EXPECT_NE(max.back(), L'.');  // the cap left no fraction: no point either
    // Zeros after the point plus the digit cap.
    const std::wstring tiny = Fixed(1e-300, 400);
    EXPECT_EQ(tiny.substr(0, 2), L"0.");
    EXPECT_EQ(tiny.find_first_not_of(L'0', 2), 301u);  // 299 zeros, then the digits
    EXPECT_EQ(tiny.size(), 2u + 299u + 101u);
}

TEST(DoubleToString, InfinityAndNanArePlainWords) {
    EXPECT_EQ(Fixed(std::numeric_limits<double>::infinity(), 2), L"inf");
    EXPECT_EQ(Fixed(-std::numeric_limits<double>::infinity(), 2), L"-inf");
    EXPECT_EQ(Fixed(std::nan(""), 2), L"nan");
}

TEST(FloatToString, FormatsTheExactlyWidenedValue) {
    EXPECT_EQ(std::wstring(FloatToString(0.1f, 10).GetString()), L"0.1000000015");
    EXPECT_EQ(std::wstring(FloatToString(0.1f, 2).GetString()), L"0.10");
    EXPECT_EQ(std::wstring(FloatToString(-2.5f, -1).GetString()), L"-2");
    EXPECT_EQ(std::wstring(FloatToString(16777217.0f, 1).GetString()), L"16777216.0");
}

}  // namespace
