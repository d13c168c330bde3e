// The parse error report: its exact text, and the error object given back.
#include "support/fakes.h"
#include "support/library_fixture.h"

namespace {

using ParseErrorReport = LibraryTest;

TEST_F(ParseErrorReport, NamesFileLineAndReasonInOrder) {
    Journal journal;
    auto* error = new FakeParseError("error", &journal);
    error->line = 12;
    error->reason = L"R: expected '>'";
    CheckParseError(error, L"C:\\data\\doc.xml");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"PARSE ERROR! C:\\data\\doc.xml @ line 12\nR: expected '>'");
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].caption, L"library_tests");  // the program's name
    EXPECT_EQ(journal.Count("error.Release"), 1);
    EXPECT_EQ(error->refs, 0);
    delete error;
}

TEST_F(ParseErrorReport, NeverReadsPathOrReasonAsAFormat) {
    FakeParseError error("error", nullptr);
    error.refs = 2;
    error.line = -3;
    error.reason = L"%s %d %n";
    CheckParseError(&error, L"100%s%d%%.xml");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"PARSE ERROR! 100%s%d%%.xml @ line -3\n%s %d %n");
    EXPECT_EQ(error.refs, 1);  // one reference given up, the caller's own kept
}

// Facts the error object does not give, or no error object at all, leave
// the presets: line 0 and no reason.
TEST_F(ParseErrorReport, MissingFactsLeaveTheirPresets) {
    FakeParseError error("error", nullptr);
    error.refs = 2;
    error.line = 99;
    error.lineResult = E_FAIL;
    CheckParseError(&error, L"doc.xml");
    CheckParseError(nullptr, L"doc.xml");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"PARSE ERROR! doc.xml @ line 0\n");
    EXPECT_EQ(boxes[1].text, boxes[0].text);
}

}  // namespace
