#include <gtest/gtest.h>

#include <flatdom/platform/oleauto.h>

namespace {

TEST(OleStrings, CarryTheirLengthInFrontAndANulBehind) {
    const wchar_t raw[] = {L'a', L'\0', L'b'};
    BSTR text = SysAllocStringLen(raw, 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(SysStringByteLen(text), 3u * sizeof(wchar_t));
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(text)[-1], 3u * sizeof(wchar_t));
    EXPECT_EQ(text[1], L'\0');
    EXPECT_EQ(text[2], L'b');
    EXPECT_EQ(text[3], L'\0');
    SysFreeString(text);
}

TEST(OleStrings, NullSourceLeavesRoomAndWritesTheTerminator) {
    BSTR room = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(SysStringLen(room), 4u);
    EXPECT_EQ(room[4], L'\0');
    for (int i = 0; i < 4; ++i)
        room[i] = L'x';  // the content is ours to fill
    EXPECT_STREQ(room, L"xxxx");
    SysFreeString(room);
}

TEST(OleStrings, NullHandling) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR empty = SysAllocString(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(OleStrings, RefuseLengthsTheirPrefixCannotHold) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Variant, InitAndClear) {
    VARIANT v;
    v.vt = VT_I4;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(L"owned");
    EXPECT_EQ(VariantClear(&v), S_OK);  // frees the string (ASan checks)
    EXPECT_EQ(v.vt, VT_EMPTY);
}

}  // namespace
