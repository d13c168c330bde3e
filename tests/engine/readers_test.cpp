// The two readers, one answer: every document read through libxml2's path
// and through the reader of our own (which hands libxml2 what it does not
// take) gives the same tree record by record, or the same error. The reader
// is also run alone with small windows, so that the window ends in every
// piece of markup; a document it takes must be the tree libxml2 builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/tree/declared_encoding.h"
#include "engine/tree/parse.h"
#include "engine/tree/reader/document_reader.h"
#include "engine/tree/text_source.h"
#include "support/tree_records.h"

namespace {

using namespace engine::tree;

struct Compared {
    bool same = true;
    bool taken = false;     // the reader of our own built the tree
    bool accepted = false;  // by libxml2
    std::string expected, got;
};

// The document as bytes (or, utf8, as text given in UTF-8) through libxml2
// alone and through both readers; and the reader alone, reading window
// bytes at first.
Compared Compare(std::string_view document, bool utf8, std::size_t window) {
    TextSource alone(document), either(document);
    const ParseOutcome expected =
        utf8 ? ParseUtf8(document, Readers::kLibxml2) : Parse(alone, Readers::kLibxml2);
    const ParseOutcome got = utf8 ? ParseUtf8(document) : Parse(either);
    Compared compared;
    compared.accepted = expected.tree != nullptr;
    compared.taken = got.cost.ownReader;
    // libxml2 writes the DOCTYPE's notations in no set order: where it read
    // both, the error and whether it built a tree.
    const auto written = [&](const ParseOutcome& outcome) {
        return compared.taken
                   ? TreeRecords(outcome)
                   : TreeRecords(outcome).substr(0, outcome.tree ? 0 : std::string::npos);
    };
    compared.expected = written(expected);
    compared.got = written(got);
    compared.same =
        compared.expected == compared.got && (expected.tree != nullptr) == (got.tree != nullptr);
    if (compared.same && window > 0) {
        TextSource source(document);
        const std::string declared = DeclaredEncoding(document);
        ParseOutcome small;
        small.tree = std::make_unique<DocumentTree>();
        TreeBuilder builder(*small.tree);
        reader::DocumentReader reader(source, builder, utf8 ? &declared : nullptr, window);
        if (reader.Read()) {
            compared.got = TreeRecords(small);
            compared.same = compared.expected == compared.got;
        }
    }
    return compared;
}

std::string Escaped(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            text += escape;
        }
    }
    return text;
}

// Reads every document under the folder both ways: {documents, accepted
// by libxml2, taken by the reader}.
struct Counts {
    int documents = 0, accepted = 0, taken = 0;
};
Counts CompareFolder(const std::filesystem::path& folder) {
    Counts counts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".xml") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string document(std::istreambuf_iterator<char>(file), {});
        for (const bool utf8 : {false, true}) {
            const Compared compared = Compare(document, utf8, utf8 ? 0 : 7);
            EXPECT_TRUE(compared.same) << entry.path() << (utf8 ? " as text" : "") << "\n"
                                       << compared.expected << "---\n"
                                       << compared.got;
            if (utf8) continue;
            ++counts.documents;
            counts.accepted += compared.accepted;
            counts.taken += compared.taken;
        }
    }
    return counts;
}

TEST(BothReaders, EveryDocumentOfTheTestsExamplesAndFuzzSeeds) {
    Counts all;
    for (const char* folder : {"tests", "examples", "fuzz/corpus"}) {
        const Counts counts = CompareFolder(std::filesystem::path(FLATDOM_SOURCE_DIR) / folder);
        all.documents += counts.documents;
        all.taken += counts.taken;
    }
    EXPECT_GE(all.documents, 15);
    EXPECT_GE(all.taken, 8);  // the UTF-8 ones without a DOCTYPE
}

// The W3C XML conformance suite, where scripts/install-deps.sh put it.
TEST(BothReaders, EveryDocumentOfTheW3cSuite) {
    const std::filesystem::path suite = FLATDOM_XML_SUITE;
    if (!std::filesystem::is_directory(suite)) GTEST_SKIP() << suite << " is not there";
    const Counts counts = CompareFolder(suite);
    std::printf("W3C suite: %d documents, %d accepted, %d of them taken by our reader\n",
                counts.documents, counts.accepted, counts.taken);
    EXPECT_GT(counts.taken, 400);
}

// Every construct the reader reads, whole, cut at each byte, and with each
// byte changed.
TEST(BothReaders, EachConstructWholeCutAndChanged) {
    const char* const documents[] = {
        "<r/>",
        "<?xml version='1.0'?><r/>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<r/>\n",
        "\xEF\xBB\xBF<?xml version='1.0' encoding='utf8' standalone='no' ?><r/>",
        "<?xml version='1.0' encoding='ISO-8859-1'?><r>\xE9</r>",
        "<?xml version='1.1'?><r/>",
        "<!DOCTYPE r [<!ENTITY e 'v'>]><r>&e;</r>",
        "<r>text &amp; &lt;&gt;&quot;&apos; &#65;&#x42;&#x10FFFF; a]b]]c</r>",
        "<r>\r\nx\ry\r\n</r>",
        "<r>\n  <a>1</a>\n  <b xml:space='preserve'> <c> </c> </b>\n</r>",
        "<r a='1' b=\"2\" c = '&#9;x&#10;y&#13;\tz\r\nw' d='&amp;&lt;'/>",
        "<r><a a='1' a='2'/></r>",
        "<r xmlns='urn:d' xmlns:p='urn:p'><p:a p:x='1' x='2'/><b xmlns=''/></r>",
        "<r xmlns:p='u' xmlns:q='u'><a p:x='1' q:x='2'/></r>",
        "<r xmlns:p=''/>",
        "<p:r xmlns:p='urn:p'><q:a/></p:r>",
        "<r xml:lang='en' xmlns:xml='http://www.w3.org/XML/1998/namespace'/>",
        "<r a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a9=''/>",
        // Names read again in the order they came, and names like them.
        "<r><i a='1'/><i a='2'/><ia a='3'/><i a:b='4' xmlns:a='u'/><i\xC3\xA9/><i/>"
        "<seventeen_bytes_a/><seventeen_bytes_a/><seventeen_bytes_b/></r>",
        // Runs longer than 16 bytes, with tabs and line ends in them.
        "<r v='a value of more than sixteen bytes'>text of more than 16 bytes\tand\nlines"
        "\n\n                         </r>",
        "<r><![CDATA[]]><![CDATA[<&>]]>\n<![CDATA[x\r\ny]]]]></r>",
        "<!-- c --><?pi data?><r><!----><?p?><?q  ?></r><!--e-->\n<?z?>",
        "<r><!-- a -- b --></r>",
        "<r><?xml x?></r>",
        "<r><?XmL x?><?p:i x?></r>",
        "<\xC3\xA9l \xE2\x82\xAC\xCC\x80='\xF0\x9D\x84\x9E'>\xC3\xA9</\xC3\xA9l>",
        "<r>\xED\xA0\x80\xEF\xBF\xBE\xC0\x80</r>",
        "<r>&#0;&#xD800;&#xFFFE;&#x110000;&#X41;&#x;&e;</r>",
        "<a><b></a></b>",
        "<r></r ><r/>",
        "<r/>x",
        " <r/>",
    };
    const char changes[] = {'<', '&', ']', '\r', '\0', '\xFF', '"', ':', ' '};
    int variants = 0, taken = 0;
    for (const std::string document : documents) {
        std::vector<std::string> all = {document};
        for (std::size_t at = 0; at < document.size(); ++at) {
            all.push_back(document.substr(0, at));
            for (const char change : changes) {
                std::string changed = document;
                changed[at] = change;
                all.push_back(changed);
            }
        }
        for (const std::string& variant : all) {
            for (const bool utf8 : {false, true}) {
                const Compared compared = Compare(variant, utf8, 1 + variants % 5);
                ASSERT_TRUE(compared.same) << Escaped(variant) << (utf8 ? " as text" : "") << "\n"
                                           << compared.expected << "---\n"
                                           << compared.got;
                ++variants;
                taken += compared.taken;
            }
        }
    }
    EXPECT_GT(taken, variants / 20);
}

}  // namespace
