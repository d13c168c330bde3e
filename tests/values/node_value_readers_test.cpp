// The readers on what another engine might hand them: no text, text with
// white space around it; and the copies they make.
#include "nodes/registries.h"
#include "support/fakes.h"
#include "support/library_fixture.h"

namespace {

using NodeValueReaders = LibraryTest;

TEST_F(NodeValueReaders, ANodeWithoutTextGivesNullOrZero) {
    FakeNode silent("silent", nullptr);  // get_text gives no string
    EXPECT_EQ(GetXmlText(&silent), nullptr);
    EXPECT_EQ(GetXmlNumber(&silent), 0);
    EXPECT_EQ(GetXmlHexNumber(&silent), 0);
    EXPECT_EQ(GetXmlNumber_Hex_or_Dec(&silent), 0);
    EXPECT_EQ(GetXmlFloat(&silent), 0.0);
    EXPECT_EQ(GetBaseNodeName(&silent), nullptr);
    EXPECT_EQ(g_StringRegistry.GetCount(), 0u);
    EXPECT_EQ(silent.refs, 1);  // a host's own node is neither kept nor released
}

TEST_F(NodeValueReaders, OnlyALeadingPrefixMakesTextHexadecimal) {
    FakeNode spaced("spaced", nullptr);
    spaced.text = SysAllocString(L" 0x1A");
    EXPECT_EQ(GetXmlNumber(&spaced), 0);  // _wtoi stops at the x
    wchar_t* first = GetXmlText(&spaced);
    wchar_t* second = GetXmlText(&spaced);
    EXPECT_STREQ(first, L" 0x1A");
    EXPECT_NE(first, second);  // two copies, both recorded
    EXPECT_EQ(g_StringRegistry.GetCount(), 2u);
    GetXmlNumber(&spaced);  // numbers leave nothing behind
    EXPECT_EQ(g_StringRegistry.GetCount(), 2u);
    SysFreeString(spaced.text);
}

}  // namespace
