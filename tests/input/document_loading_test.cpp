// LoadXmlDocument: every outcome, what it leaves in the module state and
// what the user is shown.
#include <cstdlib>
#include <thread>

#include "format.h"
#include "keys.h"
#include "frame/module_state.h"
#include "input/file_stream.h"
#include "support/fakes.h"
#include "support/library_fixture.h"

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
    static std::wstring SealedFile(const std::string& name, const std::string& xml) {
        sealwright::Key key;
        sealwright::ParseKey(kKeyHex, key);
        const sealwright::Bytes sealed =
            sealwright::Seal(key, sealwright::Bytes(xml.begin(), xml.end()));
        return Wide(WriteTestFile(name, std::string(sealed.begin(), sealed.end())));
    }
    static std::wstring Report(const std::wstring& path, int line) {
        return L"PARSE ERROR! " + path + L" @ line " + std::to_wstring(line) + L"\n";
    }
};

TEST_F(DocumentLoading, PlainFileParses) {
    const int before = OpenDescriptors();
    const std::wstring path = File("plain.xml", "<r><v>1</v></r>");
    EXPECT_EQ(LoadXmlDocument(path.c_str()), 1);
    EXPECT_NE(g_pXMLDoc, nullptr);
    ASSERT_NE(g_pFileStream, nullptr);
    EXPECT_NE(g_pFileStream->m_pFile, nullptr);  // open until the release
    EXPECT_EQ(OpenDescriptors(), before + 1);
    EXPECT_TRUE(boxes.empty());
    ReleaseNodeInterfaces();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(DocumentLoading, FailedParsesAndUnopenedFilesAreReported) {
    const struct {
        std::wstring path;
        int line;
        bool stream;  // a plain file that opened keeps its stream, file open
    } rows[] = {{File("broken.xml", "<r>\n<a>\n</r>"), 3, true},
                {L"/no/such/doc.xml", 0, false},
                {SealedFile("broken.sealed", "<r>\n</x>"), 2, false}};
    for (const auto& row : rows) {
        boxes.clear();
        EXPECT_EQ(LoadXmlDocument(row.path.c_str()), 0);
        EXPECT_NE(g_pXMLDoc, nullptr);
        EXPECT_EQ(g_pFileStream != nullptr && g_pFileStream->m_pFile != nullptr, row.stream);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.rfind(Report(row.path, row.line), 0), 0u);  // then the reason
        ReleaseNodeInterfaces();
    }
}

TEST_F(DocumentLoading, SealedFileParsesWithoutAStream) {
    const std::wstring path = SealedFile("doc.sealed", "<r><v>sealed</v></r>");
    EXPECT_EQ(LoadXmlDocument((L"FILE:" + path).c_str()), 1);  // Sealwright takes the prefix
    EXPECT_NE(g_pXMLDoc, nullptr);
    EXPECT_EQ(g_pFileStream, nullptr);
    EXPECT_EQ(std::wstring(GetXmlText(SelectXmlRootNode(L"r/v"))), L"sealed");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DocumentLoading, SealedFileThatCannotBeOpenedFailsSilently) {
    const std::wstring path = SealedFile("locked.sealed", "<r/>");
    for (const char* key : {"wrong", "none"}) {
        if (std::string(key) == "wrong") {
            setenv("SEALWRIGHT_KEY", std::string(64, '0').c_str(), 1);
        } else {
            unsetenv("SEALWRIGHT_KEY");
        }
        EXPECT_EQ(LoadXmlDocument(path.c_str()), 0) << key;
        EXPECT_NE(g_pXMLDoc, nullptr);
        EXPECT_EQ(g_pFileStream, nullptr);
        ReleaseNodeInterfaces();
    }
    EXPECT_TRUE(boxes.empty());
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

TEST_F(DocumentLoading, TheApartmentDecidesWhetherToGoOn) {
    std::thread([] {  // a thread already in the other model: 0, nothing shown
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(LoadXmlDocument(L"/any/path.xml"), 0);
        EXPECT_EQ(g_pXMLDoc, nullptr);
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // not raised
        CoUninitialize();
    })
        .join();
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // S_FALSE: go on
    EXPECT_EQ(LoadXmlDocument(File("sta.xml", "<r/>").c_str()), 1);
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
