// LoadXmlDocument: every outcome, what it leaves in the module state and
// what the user is shown.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

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

// How often a text occurs in this process's writable memory. The text is
// given masked (each byte XOR 0x5A), so that the test's own copy does not
// count; the memory is read through /proc/self/mem into a mapping of its own.
int Occurrences(const std::vector<unsigned char>& masked) {
    std::ifstream maps("/proc/self/maps");
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> regions;
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t begin = 0, end = 0;
        char permissions[5] = {};
        if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " %4s", &begin, &end, permissions) ==
                3 &&
            permissions[0] == 'r' && permissions[1] == 'w') {
            regions.emplace_back(begin, end);
        }
    }
    constexpr std::size_t kChunk = 1 << 20;
    void* buffer =
        mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const int mem = open("/proc/self/mem", O_RDONLY);
    auto* bytes = static_cast<unsigned char*>(buffer);
    int found = 0;
    for (const auto& [begin, end] : regions) {
        for (std::uintptr_t at = begin; at < end; at += kChunk - masked.size()) {
            const ssize_t got = pread(mem, bytes, std::min<std::uintptr_t>(kChunk, end - at),
                                      static_cast<off_t>(at));
            for (ssize_t i = 0; i + static_cast<ssize_t>(masked.size()) <= got; ++i) {
                std::size_t k = 0;
                while (k < masked.size() && bytes[i + k] == (masked[k] ^ 0x5A))
                    ++k;
                found += k == masked.size() && i < static_cast<ssize_t>(kChunk - masked.size());
            }
            if (at + kChunk >= end) break;
        }
    }
    close(mem);
    munmap(buffer, kChunk);
    return found;
}

// A sealed document's text outlives the final release only where Sealwright
// keeps it by design (until its next call): no other copy, in UTF-8 or wide,
// is left in freed memory.
TEST_F(DocumentLoading, SealedTextLeavesNoCopyBehind) {
#if defined(FLATDOM_SANITIZED)
    GTEST_SKIP() << "the sanitizers keep freed memory and map terabytes of shadow memory: "
                    "the plain build scans";
#endif
    constexpr int kLines = 2000;
    constexpr std::size_t kSize = 6 + kLines * 32 + 7;  // "<doc>\n", lines, "</doc>\n"
    sealwright::Bytes plain(kSize);
    std::snprintf(reinterpret_cast<char*>(plain.data()), 7, "<doc>\n");
    for (int i = 0; i < kLines; ++i) {
        std::snprintf(reinterpret_cast<char*>(plain.data()) + 6 + 32 * i, 33,
                      "<p>confidential line %06d</p>\n", i);
    }
    std::memcpy(plain.data() + kSize - 7, "</doc>\n", 7);
    // The part to look for, masked: 6000 bytes from line 1000 on, as stored in
    // UTF-8 and as wide characters.
    std::vector<unsigned char> utf8(6000), wide;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        utf8[i] = plain[6 + 32000 + i] ^ 0x5A;
        const wchar_t c = plain[6 + 32000 + i];
        for (std::size_t b = 0; b < sizeof c; ++b)
            wide.push_back(reinterpret_cast<const unsigned char*>(&c)[b] ^ 0x5A);
    }
    sealwright::Key key;
    sealwright::ParseKey(kKeyHex, key);
    const sealwright::Bytes sealed = sealwright::Seal(key, plain);
    explicit_bzero(plain.data(), plain.size());
    const std::wstring path =
        Wide(WriteTestFile("secret.sealed", std::string(sealed.begin(), sealed.end())));

    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    EXPECT_STREQ(GetXmlText(SelectXmlRootNode(L"doc/p[1999]")), L"confidential line 001999");
    ReleaseNodeInterfaces();
    EXPECT_EQ(Occurrences(utf8), 0);
    EXPECT_EQ(Occurrences(wide), 1);  // Sealwright's own
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
