// OLE strings to and from wide strings and CString, and the internal copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>

#include "values/string_bridging.h"

namespace {

TEST(StringToBSTR, MakesAnOleStringOfTheSameLength) {
    wchar_t* bstr = StringToBSTR(L"h\u00e9llo");
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(bstr[5], L'\0');
    EXPECT_STREQ(bstr, L"h\u00e9llo");
    ReleaseBSTR(bstr);

    wchar_t* empty = StringToBSTR(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], L'\0');
    ReleaseBSTR(empty);
}

TEST(StringBridging, NullInNullOrEmptyOut) {
    EXPECT_EQ(StringToBSTR(nullptr), nullptr);
    EXPECT_TRUE(BSTRToCString(nullptr).IsEmpty());
    EXPECT_EQ(flatdom::CopyBSTR(nullptr), nullptr);
    ReleaseBSTR(nullptr);  // no effect, no crash
}

TEST(BSTRToCString, RoundTripsAndLeavesItsArgumentAlone) {
    wchar_t* bstr = StringToBSTR(L"round trip");
    CString text = BSTRToCString(bstr);
    EXPECT_EQ(text, L"round trip");
    EXPECT_EQ(text.GetLength(), 10);
    // Still the caller's: readable, and freed exactly once here (ASan checks).
    EXPECT_STREQ(bstr, L"round trip");
    ReleaseBSTR(bstr);
}

TEST(BSTRToCString, StopsAtAnEmbeddedNul) {
    const wchar_t raw[] = {L'a', L'b', L'\0', L'c', L'd'};
    BSTR bstr = SysAllocStringLen(raw, 5);
    EXPECT_EQ(BSTRToCString(bstr), L"ab");
    SysFreeString(bstr);
}

TEST(CopyBSTR, CopiesEveryCharacterAndTheTerminator) {
    const wchar_t raw[] = {L'x', L'\0', L'y'};
    BSTR bstr = SysAllocStringLen(raw, 3);
    wchar_t* copy = flatdom::CopyBSTR(bstr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::wmemcmp(copy, raw, 3), 0);
    EXPECT_EQ(copy[3], L'\0');
    std::free(copy);  // a malloc block
    SysFreeString(bstr);
}

TEST(CString, ValueSemantics) {
    CString a(L"abc");
    CString b = a;
    b += L"def";
    EXPECT_EQ(a, L"abc");
    EXPECT_EQ(b, L"abcdef");
    b += b;
    EXPECT_EQ(b, L"abcdefabcdef");
    CString moved(static_cast<CString&&>(b));
    EXPECT_EQ(moved.GetLength(), 12);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_STREQ(b.GetString(), L"");
    a = moved;
    EXPECT_EQ(a, moved);
}

}  // namespace
