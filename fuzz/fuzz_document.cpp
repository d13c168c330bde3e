// Arbitrary bytes as a document file: load, select, read everything, release.
// And both readers, one answer: a document the engine's reader of our own
// takes (read with its whole window, or one of a few bytes) must be the tree
// libxml2 builds of it, record by record; any difference is a crash.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/tree/declared_encoding.h"
#include "engine/tree/parse.h"
#include "engine/tree/reader/document_reader.h"
#include "engine/tree/text_source.h"
#include "fuzz_support.h"
#include "support/tree_records.h"

namespace {

using namespace engine::tree;

void CompareReaders(std::string_view bytes) {
    for (const bool utf8 : {false, true}) {
        TextSource whole(bytes);
        const std::string expected = TreeRecords(utf8 ? ParseUtf8(bytes, Readers::kLibxml2)
                                                      : Parse(whole, Readers::kLibxml2));
        const std::string declared = DeclaredEncoding(bytes);
        for (const std::size_t window : {reader::InputWindow::kChunk, 1 + bytes.size() % 13}) {
            TextSource source(bytes);
            ParseOutcome own;
            own.tree = std::make_unique<DocumentTree>();
            TreeBuilder builder(*own.tree);
            reader::DocumentReader reader(source, builder, utf8 ? &declared : nullptr, window);
            if (!reader.Read() || TreeRecords(own) == expected) continue;
            std::fprintf(stderr, "the readers differ (%s, window %zu)\n--- libxml2\n%s--- own\n%s",
                         utf8 ? "text" : "bytes", window, expected.c_str(),
                         TreeRecords(own).c_str());
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool quiet = (fuzz::SilenceMessageBoxes(), true);
    (void)quiet;
    CompareReaders({reinterpret_cast<const char*>(data), size});
    const std::wstring path = fuzz::ScratchFile(data, size);
    if (LoadXmlDocument(path.c_str())) {
        for (const wchar_t* query : {L"/", L"/*", L"//*", L"//@*", L"//text()", L"//comment()",
                                     L"/*/*", L"//*[1]/..", L"//processing-instruction()"}) {
            fuzz::ReadAll(SelectXmlRootNode(query));
            IXMLDOMNodeList* list = SelectXmlNodes(SelectXmlRootNode(L"/"), query);
            for (long i = 0; i < 64; ++i) {
                IXMLDOMNode* node = SelectXmlNodeFromList(list, i);
                if (!node) break;
                fuzz::ReadAll(node);
                fuzz::ReadAll(SelectXmlNode(node, L".."));
            }
        }
    }
    ReleaseNodeInterfaces();
    return 0;
}
