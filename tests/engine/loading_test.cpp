// Loading documents: from a stream, from text and from a file; encodings;
// parse errors and what a failed load leaves.
#include <cstdio>
#include <fstream>

#include "engine/engine_fixture.h"
#include "support/memory_stream.h"

namespace {

using EngineLoading = EngineTest;

VARIANT StreamSource(IStream* stream) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = stream;
    return source;
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST_F(EngineLoading, StreamsInOneByteReadsUntilTheEnd) {
    MemoryStream stream("<?xml version=\"1.0\"?>\n<root><a>one</a><a>two</a></root>", 1);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(doc->load(StreamSource(&stream), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_GT(stream.reads, 50);         // it really was fed a byte at a time
    EXPECT_EQ(stream.readsAfterEnd, 0);  // and stopped at the first S_FALSE
    EXPECT_EQ(stream.refs, 1);           // what it asked for, it released
    EXPECT_EQ(Text(Select(L"/root/a[2]").get()), L"two");
    EXPECT_EQ(ParseErrorOf(doc.get()).code, 0);
}

TEST_F(EngineLoading, RefusesSourcesThatAreNotStreams) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_I4;
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(doc->load(source, &ok), E_INVALIDARG);
    EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(EngineLoading, LoadsALocalFileByName) {
    const std::string path = WriteTempFile("engine_file.xml", "<r><v>5</v></r>");
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    const std::wstring wide(path.begin(), path.end());
    Bstr name(wide);
    source.bstrVal = name.get();
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(doc->load(source, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(Text(Select(L"r/v").get()), L"5");
    std::remove(path.c_str());
}

TEST_F(EngineLoading, ReadsEachEncodingAsTheSameCharacters) {
    const std::wstring expected = L"caf\u00e9 \u00fc";
    const std::string utf8 = "<t>caf\xc3\xa9 \xc3\xbc</t>";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t>caf\xe9 \xfc</t>";
    std::string utf16le = "\xff\xfe";
    std::string utf16be = "\xfe\xff";
    for (wchar_t c : std::wstring(L"<t>caf\u00e9 \u00fc</t>")) {
        utf16le += static_cast<char>(c & 0xFF);
        utf16le += static_cast<char>(c >> 8);
        utf16be += static_cast<char>(c >> 8);
        utf16be += static_cast<char>(c & 0xFF);
    }
    for (const std::string& bytes : {utf8, latin1, utf16le, utf16be}) {
        MemoryStream stream(bytes, 3);
        VARIANT_BOOL ok = VARIANT_FALSE;
        doc->load(StreamSource(&stream), &ok);
        ASSERT_EQ(ok, VARIANT_TRUE) << bytes;
        EXPECT_EQ(Text(Select(L"t").get()), expected);
    }
}

TEST_F(EngineLoading, LoadXmlUsesTheWholeStringAndIgnoresADeclaredEncoding) {
    EXPECT_TRUE(LoadXml(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><t>\u20ac \U0001F600</t>"));
    EXPECT_EQ(Text(Select(L"t").get()), L"\u20ac \U0001F600");
    // An embedded NUL is part of the text, and not a well-formed character.
    EXPECT_FALSE(LoadXml(std::wstring(L"<t>a\0b</t>", 10)));
    EXPECT_FALSE(LoadXml(L""));
    VARIANT_BOOL ok = VARIANT_TRUE;
    doc->loadXML(nullptr, &ok);
    EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(EngineLoading, ReportsTheFirstErrorWithItsLine) {
    EXPECT_FALSE(LoadXml(L"<root>\n  <a>\n  </b>\n</root>"));
    const Error error = ParseErrorOf(doc.get());
    EXPECT_EQ(error.code, E_FAIL);
    EXPECT_EQ(error.line, 3);
    EXPECT_GT(error.column, 0);
    EXPECT_NE(error.reason.find(L"mismatch"), std::wstring::npos) << error.reason;
    EXPECT_NE(error.source.find(L"</b>"), std::wstring::npos) << error.source;
}

TEST_F(EngineLoading, UndeclaredPrefixesDoNotParse) {
    EXPECT_FALSE(LoadXml(L"<root>\n<p:a/></root>"));
    EXPECT_EQ(ParseErrorOf(doc.get()).line, 2);
}

TEST_F(EngineLoading, AFailedLoadLeavesTheDocumentEmpty) {
    ASSERT_TRUE(LoadXml(L"<old/>"));
    EXPECT_FALSE(LoadXml(L"<new>"));
    EXPECT_FALSE(Select(L"old"));
    ComPtr<IXMLDOMNode> self = Select(L"/");
    ASSERT_TRUE(self);
    EXPECT_EQ(Text(self.get()), L"");
}

TEST_F(EngineLoading, ADocumentWithoutInputSaysSo) {
    const Error error = ParseErrorOf(doc.get());
    EXPECT_NE(error.code, 0);
    EXPECT_EQ(error.line, 0);
    EXPECT_NE(error.reason.find(L"no input"), std::wstring::npos) << error.reason;
    // A successful load clears it.
    ASSERT_TRUE(LoadXml(L"<ok/>"));
    const Error cleared = ParseErrorOf(doc.get());
    EXPECT_EQ(cleared.code, 0);
    EXPECT_EQ(cleared.reason, L"(null)");
}

TEST_F(EngineLoading, AsyncIsAcceptedAndLoadingIsAlwaysFinished) {
    VARIANT_BOOL async = VARIANT_FALSE;
    EXPECT_EQ(doc->get_async(&async), S_OK);
    EXPECT_EQ(async, VARIANT_TRUE);
    EXPECT_EQ(doc->put_async(VARIANT_FALSE), S_OK);
    doc->get_async(&async);
    EXPECT_EQ(async, VARIANT_FALSE);
}

}  // namespace
