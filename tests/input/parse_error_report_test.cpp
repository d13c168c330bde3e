// The parse error report: its exact text, and the error object given back.
#include "support/fakes.h"
#include "support/library_fixture.h"

namespace {

using ParseErrorReport = LibraryTest;

// The text is exact, path and reason never read as a format; the error
// object loses the one reference the report takes over.
TEST_F(ParseErrorReport, NamesFileLineAndReasonInOrder) {
    Journal journal;
    FakeParseError error("error", &journal);
    error.refs = 2;
    error.line = 12;
    error.reason = L"R: expected '>' %s %d %n";
    CheckParseError(&error, L"C:\\data\\100%s%d%%.xml");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              L"PARSE ERROR! C:\\data\\100%s%d%%.xml @ line 12\nR: expected '>' %s %d %n");
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].caption, L"library_tests");  // the program's name
    EXPECT_EQ(journal.Count("error.Release"), 1);
    EXPECT_EQ(error.refs, 1);  // the caller's own kept
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
