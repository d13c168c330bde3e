#include <gtest/gtest.h>

#include <flatdom/platform/oleauto.h>

namespace {

// What a host sees of OLE strings is tested through the exports; here, the
// counts no block can hold, and null.
TEST(OleStrings, RefuseCountsTheirPrefixCannotHold) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    if (sizeof(void*) == 4) {
        // The largest count the prefix takes: its block would pass a 32-bit
        // address space (wrapping to a few bytes). A 64-bit system would
        // allocate its 4 GiB, so only the 32-bit build asks.
        EXPECT_EQ(SysAllocStringLen(nullptr, 0x3FFFFFFEu), nullptr);
    }
    BSTR room = SysAllocStringLen(nullptr, 4);  // content left to the caller
    EXPECT_EQ(SysStringLen(room), 4u);
    EXPECT_EQ(room[4], L'\0');
    SysFreeString(room);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

}  // namespace
