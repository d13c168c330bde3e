// LoadXmlDocument: every outcome, what it leaves in the module state and
// what the user is shown.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "format.h"
#include "keys.h"
#include "frame/module_state.h"
#include "input/file_stream.h"
#include "support/fakes.h"
#include "support/fifo.h"
#include "support/library_fixture.h"
#include "support/memory_scan.h"

namespace {

const char kKeyHex[] = "8f1e2d3c4b5a69788796a5b4c3d2e1f00f1e2d3c4b5a69788796a5b4c3d2e1f0";

class DocumentLoading : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        setenv("SEALWRIGHT_KEY", kKeyHex, 1);
    }
    void TearDown() override {
        unsetenv("SEALWRIGHT_KEY");
        LibraryTest::TearDown();
    }
    static std::string Sealed(const std::string& xml) {
        sealwright::Key key;
        sealwright::ParseKey(kKeyHex, key);
        const sealwright::Bytes sealed =
            sealwright::Seal(key, sealwright::Bytes(xml.begin(), xml.end()));
        return std::string(sealed.begin(), sealed.end());
    }
    static std::wstring SealedFile(const std::string& name, const std::string& xml) {
        return File(name, Sealed(xml));
    }
};

// What each outcome leaves: the document always; the stream, its file open
// until the release, for a plain file that opened; a box for what the user
// can mend, none for a sealed file that this key does not open. A file that
// cannot be had is reported as the system words it, at line 0, not as a
// document that received nothing or is empty.
TEST_F(DocumentLoading, EachOutcomeLeavesItsDocumentStreamAndReport) {
    const int before = OpenDescriptors();
    const std::wstring sealed = SealedFile("doc.sealed", "<r><v>sealed</v></r>");
    const std::string wrongKey(64, '0');
    const std::wstring folder = std::filesystem::path(sealed).parent_path().wstring();
    const struct {
        std::wstring path;
        const char* key;
        const wchar_t* text;  // of r/v when it loads
        bool stream;
        int line;                          // of the report; -1: none
        const wchar_t* opening = nullptr;  // why the file could not be opened
    } rows[] = {
        {File("plain.xml", "<r><v>1</v></r>"), kKeyHex, L"1", true, -1},
        {L"FILE:" + sealed, kKeyHex, L"sealed", false, -1},
        {sealed, wrongKey.c_str(), nullptr, false, -1},
        {sealed, nullptr, nullptr, false, -1},
        {File("broken.xml", "<r>\n<a>\n</r>"), kKeyHex, nullptr, true, 3},
        {SealedFile("broken.sealed", "<r>\n</x>"), kKeyHex, nullptr, false, 2},
        {L"/no/such/doc.xml", kKeyHex, nullptr, false, 0, L"No such file or directory"},
        {L"FILE://" + folder, kKeyHex, nullptr, false, 0, L"Is a directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.path.begin(), row.path.end()));
        boxes.clear();
        row.key ? setenv("SEALWRIGHT_KEY", row.key, 1) : unsetenv("SEALWRIGHT_KEY");
        EXPECT_EQ(LoadXmlDocument(row.path.c_str()), row.text ? 1 : 0);
        EXPECT_NE(g_pXMLDoc, nullptr);
        EXPECT_EQ(g_pFileStream != nullptr, row.stream);
        EXPECT_EQ(OpenDescriptors(), before + row.stream);
        if (row.text) {
            EXPECT_STREQ(GetXmlText(SelectXmlRootNode(L"r/v")), row.text);
        }
        if (row.line < 0) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            const std::wstring report =
                L"PARSE ERROR! " + row.path + L" @ line " + std::to_wstring(row.line) + L"\n";
            EXPECT_EQ(boxes[0].text.rfind(report, 0), 0u);  // then the reason
            if (row.opening) {
                EXPECT_EQ(boxes[0].text,
                          report + L"The file could not be opened: " + row.opening + L".\n");
            }
        }
        ReleaseNodeInterfaces();
        EXPECT_EQ(OpenDescriptors(), before);
    }
}

// A FIFO (or a pipe, /dev/stdin, a <(...) path) is opened once and read
// whole, plain or sealed: its first bytes tell which, and are read again as
// the document's start.
TEST_F(DocumentLoading, AFifoIsOpenedOnceAndReadWhole) {
    std::string many = "<r>";  // more than a pipe holds
    for (int i = 0; i < 20000; ++i)
        many += "<v>" + std::to_string(i) + "</v>";
    many += "</r>";
    const struct {
        std::string bytes;
        const wchar_t* last;  // r/v[last()]
        bool stream;
    } rows[] = {
        {"<r><v>small</v></r>", L"small", true},
        {many, L"19999", true},
        {Sealed("<r><v>sealed</v></r>"), L"sealed", false},
    };
    const std::filesystem::path folder = TestFile("unused", "").parent_path();
    for (const auto& row : rows) {
        Fifo fifo(folder / "doc.fifo", row.bytes);
        const std::wstring path = fifo.Path().wstring();
        EXPECT_EQ(LoadXmlDocument(path.c_str()), 1) << row.bytes.size();
        EXPECT_FALSE(fifo.Rescued()) << "the FIFO was opened twice";
        EXPECT_EQ(g_pFileStream != nullptr, row.stream);
        const wchar_t* text = GetXmlText(SelectXmlRootNode(L"r/v[end()]"));
        EXPECT_STREQ(text ? text : L"(null)", row.last);
        ReleaseNodeInterfaces();
    }
    EXPECT_TRUE(boxes.empty()) << std::string(boxes[0].text.begin(), boxes[0].text.end());
}

// A sealed document's text outlives the final release only where Sealwright
// keeps it by design (until its next call): no other copy, in UTF-8 or wide,
// is left in freed memory.
TEST_F(DocumentLoading, SealedTextLeavesNoCopyBehind) {
#if defined(FLATDOM_SANITIZED)
    GTEST_SKIP() << "the sanitizers keep freed memory and map terabytes of shadow memory: "
                    "the plain build scans";
#endif
    // Written in place, then wiped: no stray copy of the text of our own.
    sealwright::Bytes plain(6 + 2000 * 32 + 7);
    auto* text = reinterpret_cast<char*>(plain.data());
    std::snprintf(text, 7, "<doc>\n");
    for (int i = 0; i < 2000; ++i)
        std::snprintf(text + 6 + 32 * i, 33, "<p>confidential line %06d</p>\n", i);
    std::memcpy(text + plain.size() - 7, "</doc>\n", 7);
    // The part to look for, masked: 6000 bytes from line 1000 on, as stored in
    // UTF-8 and as wide characters.
    const std::string utf8 = Masked(plain.data() + 6 + 32000, 6000);
    std::string wide;
    for (std::size_t i = 6 + 32000; i < 6 + 38000; ++i) {
        const wchar_t c = plain[i];
        wide += Masked(&c, sizeof c);
    }
    sealwright::Key key;
    sealwright::ParseKey(kKeyHex, key);
    const sealwright::Bytes sealed = sealwright::Seal(key, plain);
    explicit_bzero(plain.data(), plain.size());

    ASSERT_EQ(
        LoadXmlDocument(File("secret.sealed", std::string(sealed.begin(), sealed.end())).c_str()),
        1);
    EXPECT_STREQ(GetXmlText(SelectXmlRootNode(L"doc/p[1999]")), L"confidential line 001999");
    ReleaseNodeInterfaces();
    EXPECT_EQ(Occurrences(utf8), 0);
    EXPECT_EQ(Occurrences(wide), 1);  // Sealwright's own
}

TEST_F(DocumentLoading, ASecondLoadKeepsTheFirstDocumentAndFileAlive) {
    const int before = OpenDescriptors();
    const std::wstring first = File("first.xml", "<first/>");
    ASSERT_EQ(LoadXmlDocument(first.c_str()), 1);
    IXMLDOMDocument* firstDocument = g_pXMLDoc;
    CMyFileStream* firstStream = g_pFileStream;
    EXPECT_EQ(LoadXmlDocument(File("second.xml", "<second/>").c_str()), 1);
    EXPECT_NE(g_pXMLDoc, firstDocument);
    EXPECT_NE(g_pFileStream, firstStream);
    EXPECT_EQ(OpenDescriptors(), before + 2);
    ReleaseNodeInterfaces();
    EXPECT_EQ(OpenDescriptors(), before + 1);  // the first file is still open
    // Hand back what the module state no longer reaches.
    EXPECT_EQ(firstDocument->Release(), 0u);
    EXPECT_EQ(firstStream->Release(), 0u);
    EXPECT_EQ(OpenDescriptors(), before);
}

// How often this thread has entered COM, left as it was.
int Initialisations() {
    int count = 0;
    HRESULT hr;
    for (; (hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) == S_FALSE; ++count) {
        CoUninitialize();
        CoUninitialize();
    }
    CoUninitialize();
    for (int i = 0; i < count; ++i)
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return count;
}

// The release leaves COM once for each time loading entered it, whatever
// apartment the thread was in before.
TEST_F(DocumentLoading, TheReleaseLeavesCOMAsOftenAsLoadingEnteredIt) {
    // (A thread in the multithreaded apartment keeps it: host/document_test.cpp.)
    const std::wstring path = File("sta.xml", "<r/>");
    ReleaseNodeInterfaces();  // nothing loaded: nothing to leave
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ReleaseNodeInterfaces();
    EXPECT_EQ(Initialisations(), 1);
    {
        DocumentClassOverride failing(nullptr);
        EXPECT_EQ(LoadXmlDocument(path.c_str()), 0);  // entered (S_FALSE), then failed
    }
    EXPECT_EQ(LoadXmlDocument(path.c_str()), 1);
    EXPECT_EQ(Initialisations(), 3);
    ReleaseNodeInterfaces();
    EXPECT_EQ(Initialisations(), 1);  // the host's own
    CoUninitialize();
}

TEST_F(DocumentLoading, DocumentCreationFailingShowsTheBox) {
    DocumentClassOverride failing(nullptr);
    EXPECT_EQ(LoadXmlDocument(File("any.xml", "<r/>").c_str()), 0);
    EXPECT_EQ(g_pXMLDoc, nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Error");
    EXPECT_EQ(boxes[0].text, L"Error creating COM object!");
    EXPECT_EQ(boxes[0].style, 0x10010u);
}

TEST_F(DocumentLoading, OnlyTheSuccessFlagDecides) {
    Journal journal;
    FakeDocument document("doc", &journal);
    FakeParseError error("error", &journal);
    document.parseError = &error;
    DocumentClassOverride fake(&document);
    const std::wstring path = File("flag.xml", "<r/>");

    document.loadAnswer = VARIANT_TRUE;
    document.loadResult = E_FAIL;  // the status code is not consulted
    EXPECT_EQ(LoadXmlDocument(path.c_str()), 1);
    ReleaseNodeInterfaces();

    document.refs = 1;
    document.loadAnswer = 1;  // non-zero, but not VARIANT_TRUE
    document.loadResult = S_OK;
    EXPECT_EQ(LoadXmlDocument(path.c_str()), 0);
    EXPECT_EQ(journal.Count("doc.put_async"), 2);
    EXPECT_EQ(journal.Count("doc.get_parseError"), 1);
    EXPECT_EQ(journal.Count("error.Release"), 1);
    EXPECT_EQ(boxes.size(), 1u);
    ReleaseNodeInterfaces();
}

}  // namespace
