#include <gtest/gtest.h>

#include <flatdom/platform/oleauto.h>

namespace {

TEST(OleStrings, CarryTheirLengthInFrontAndANulBehind) {
    const wchar_t raw[] = {L'a', L'\0', L'b'};
    BSTR text = SysAllocStringLen(raw, 3);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(text)[-1], 3u * sizeof(wchar_t));  // bytes
    EXPECT_EQ(text[2], L'b');
    EXPECT_EQ(text[3], L'\0');
    SysFreeString(text);
    BSTR room = SysAllocStringLen(nullptr, 4);  // content left to the caller
    EXPECT_EQ(SysStringLen(room), 4u);
    EXPECT_EQ(room[4], L'\0');
    SysFreeString(room);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);  // no room for the prefix
    if (sizeof(void*) == 4) {
        // The largest count the prefix takes: its block would pass a 32-bit
        // address space (wrapping to a few bytes). A 64-bit system would
        // allocate its 4 GiB, so only the 32-bit build asks.
        EXPECT_EQ(SysAllocStringLen(nullptr, 0x3FFFFFFEu), nullptr);
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

}  // namespace
