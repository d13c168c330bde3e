// What loading costs, counted rather than timed: documents of hostile shapes
// at two sizes, each loaded or refused with its reason, and what the load
// took (attributes compared and looked up, bytes the tree reserved, the most
// bytes the parse held at once) at twice the size at most about twice what it
// took at the size; a document refused for what it would add holds no more
// at once than the budget allows.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/tree/limits.h"
#include "engine/tree/parse.h"
#include "support/repeat.h"

namespace {

// Heap bytes in use, and the most since the count was last reset: every
// allocation of this program, libxml2's included, by the bytes it takes.
std::int64_t g_live = 0, g_peak = 0;
// Blocks libxml2 asks to grow past this size are refused, as when memory
// runs out.
std::size_t g_growthLimit = SIZE_MAX;
#ifndef FLATDOM_SANITIZED
// A count down to the C++ allocation that fails (0: none does).
long g_failAt = 0;
#endif

void* Counted(void* block) {
    if (block) g_live += static_cast<std::int64_t>(malloc_usable_size(block));
    g_peak = std::max(g_peak, g_live);
    return block;
}
void* CountedMalloc(std::size_t size) {
    return Counted(std::malloc(size));
}
void CountedFree(void* block) {
    if (block) g_live -= static_cast<std::int64_t>(malloc_usable_size(block));
    std::free(block);
}
void* CountedRealloc(void* block, std::size_t size) {
    if (size > g_growthLimit) return nullptr;
    const auto before = static_cast<std::int64_t>(block ? malloc_usable_size(block) : 0);
    void* moved = std::realloc(block, size);
    if (moved) g_live -= before;
    return Counted(moved);
}
char* CountedStrdup(const char* text) {
    auto* copy = static_cast<char*>(CountedMalloc(std::strlen(text) + 1));
    return copy ? std::strcpy(copy, text) : nullptr;
}

// Before libxml2 allocates anything.
const bool g_counting = xmlMemSetup(CountedFree, CountedMalloc, CountedRealloc, CountedStrdup) == 0;

struct Cost {
    std::string refusal;  // empty when the document loaded
    std::uint64_t steps = 0, treeBytes = 0, peakBytes = 0;
    bool own = false;  // the reader of our own read it
};

Cost Load(const std::string& xml, engine::tree::Readers readers = engine::tree::Readers::kEither) {
    const std::int64_t before = g_live;
    g_peak = g_live;
    Cost cost;
    {
        const engine::tree::ParseOutcome outcome = engine::tree::ParseUtf8(xml, readers);
        cost.refusal = outcome.error.reason;
        cost.steps = outcome.cost.attributeSteps;
        cost.own = outcome.cost.ownReader;
        if (outcome.tree) cost.treeBytes = outcome.tree->Allocated();
    }
    cost.peakBytes = static_cast<std::uint64_t>(g_peak - before);
    return cost;
}

TEST(LoadingCost, HostileShapesAtTwoSizes) {
    ASSERT_TRUE(g_counting);
    using namespace engine::tree;
    // Entities a of n characters and b of ten references to a, then 300
    // attributes of nine references to b each.
    const std::string b = "'><!ENTITY b '" + Repeat("&a;", 10) + "'>";
    const std::string nineB = "'" + Repeat("&b;", 9) + "'";
    // Each document: head, piece n times (a number from 0 on in place of a %
    // in it), tail. Those without a DOCTYPE are the reader of our own's, and
    // libxml2's too unless it checks their attributes in quadratic time.
    const struct {
        const char* shape;
        std::string head, piece, tail;
        int n;
        const char* refusal;  // null: loads
        bool libxml2 = true;
    } rows[] = {
        {"n elements of two attributes", "<r>", "<e a='1' b='&amp;'>t</e>\n", "</r>", 100000,
         nullptr},
        {"n elements of distinct names", "<r>", "<e% x%=''/>", "</r>", 20000, nullptr},
        {"a text of n references", "<r>", "&lt;&#x20AC;", "</r>", 100000, nullptr},
        {"a start tag of n attributes", "<r", " a%=''", "/>", 20000, nullptr, false},
        {"n namespace declarations", "<r", " xmlns:p%='u'", "/>", 20000, nullptr, false},
        {"n prefixed attributes of one namespace", "<r xmlns:p='u'", " p:a%=''", "/>", 20000,
         nullptr, false},
        {"n attribute defaults on 40 elements", "<!DOCTYPE r [<!ATTLIST x", " d% CDATA ''",
         ">]><r>" + Repeat("<x/>", 40) + "</r>", 2000, nullptr},
        {"n attribute defaults, some given", "<!DOCTYPE r [<!ATTLIST x", " d% CDATA 'v'",
         ">]><r>" + Repeat("<x " + Numbered("d", "='w' ", 10) + "/>", 40) + "</r>", 2000, nullptr},
        {"n declarations of two attributes", "<!DOCTYPE r [",
         "<!ATTLIST e% a CDATA #IMPLIED b CDATA #IMPLIED>", "]><r/>", 20000, nullptr},
        {"n elements with defaults", "<!DOCTYPE r [<!ATTLIST x a CDATA 'aaaa' b CDATA 'bbbb'>]><r>",
         "<x/>", "</r>", 100000, nullptr},
        {"attribute defaults past the limit", "<!DOCTYPE r [<!ATTLIST x", " d% CDATA ''", ">]><r/>",
         kMaxAttributes + 1, kTooManyAttributes},
        {"namespace declarations as defaults past the limit", "<!DOCTYPE r [<!ATTLIST x",
         " xmlns:p% CDATA 'urn:p'", ">]><r>" + Repeat("<x/>", 1000) + "</r>",
         kMaxNamespaceDefaults + 1, kTooManyNamespaceDefaults},
        {"attributes of type ID past the limit", "<!DOCTYPE r [<!ATTLIST x", " i% ID #IMPLIED",
         ">]><r/>", kMaxIdAttributes + 1, kTooManyIdAttributes},
        {"a start tag of n attributes in an entity's text", "<!DOCTYPE r [<!ENTITY e \"<x ",
         "a%='' ", "/>\">]><r>&e;</r>", kMaxAttributes + 1, kTooManyAttributes},
        {"n references to an entity under 5,000 namespace declarations",
         "<!DOCTYPE r [<!ENTITY e 't'>]><r " + Numbered("xmlns:p", "='u' ", 5000) + ">", "&e;",
         "</r>", 10000, kTooMuchAmplification},
        {"300 attribute defaults of 9 b", "<!DOCTYPE r [<!ENTITY a '", "x",
         b + "<!ATTLIST z " + Numbered(" d", " CDATA " + nineB, 300) + ">]><r/>", 10000,
         kTooMuchAmplification},
        {"a start tag of 300 attributes of 9 b", "<!DOCTYPE r [<!ENTITY a '", "x",
         b + "]><r " + Numbered(" d", "=" + nineB, 300) + "/>", 10000, kTooMuchAmplification},
    };
    const auto numbered = [](const std::string& piece, int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            std::string copy = piece;
            for (std::size_t at; (at = copy.find('%')) != std::string::npos;)
                copy.replace(at, 1, std::to_string(i));
            text += copy;
        }
        return text;
    };
    for (const auto& row : rows) {
        const bool own = row.head.find("<!DOCTYPE") == std::string::npos;
        for (const Readers readers : {Readers::kEither, Readers::kLibxml2}) {
            if (readers == Readers::kLibxml2 && (!own || !row.libxml2)) continue;
            SCOPED_TRACE(std::string(row.shape) +
                         (readers == Readers::kLibxml2 ? ", libxml2" : ""));
            Cost at[2];
            [[maybe_unused]] std::size_t size = 0;
            for (const int n : {row.n, 2 * row.n}) {
                const std::string xml = row.head + numbered(row.piece, n) + row.tail;
                size = xml.size();
                at[n != row.n] = Load(xml, readers);
                EXPECT_EQ(at[n != row.n].refusal, row.refusal ? row.refusal : "") << "at " << n;
                EXPECT_EQ(at[n != row.n].own, own && readers == Readers::kEither) << "at " << n;
            }
            EXPECT_LE(at[1].steps, 2.2 * at[0].steps + 100);
            EXPECT_LE(at[1].treeBytes, 2.2 * at[0].treeBytes + 1024);
#ifndef FLATDOM_SANITIZED  // the C++ allocations are the sanitizer's to count
            // A refused document never held much more than the budget allows; a
            // document that loads, about what it holds once loaded.
            EXPECT_LE(at[1].peakBytes, 2.2 * at[0].peakBytes + 1024 * 1024);
            EXPECT_LE(at[1].peakBytes,
                      kAmplificationFloor + kAmplificationFactor * size + (8 << 20));
#endif
        }
    }
}

// libxml2 2.9 frees the text it writes the DOCTYPE into when it cannot grow
// it, while the buffer still points at it.
TEST(LoadingCost, MemoryRunningOutWhileTheDoctypeIsWrittenRefusesTheDocument) {
    const std::string xml = "<!DOCTYPE r [" + Numbered("<!ENTITY e", " 'v'>", 40000) + "]><r/>";
    g_growthLimit = 256 * 1024;
    const engine::tree::ParseOutcome outcome = engine::tree::ParseUtf8(xml);
    g_growthLimit = SIZE_MAX;
    EXPECT_FALSE(outcome.tree);
    EXPECT_EQ(outcome.error.reason, "There was not enough memory to load the document.\n");
}

#ifndef FLATDOM_SANITIZED
// Each C++ allocation of a parse fails in turn, the input's staging among
// them (made inside libxml2's read callback): the parse ends with the reason
// and, the second time round (libxml2 keeps its last error once), gives every
// byte back; no exception crosses libxml2. The second document is the reader
// of our own's.
TEST(LoadingCost, EachAllocationThatFailsEndsTheParseWithTheReason) {
    for (const std::string body : {"&e;", "t&amp;"}) {
        const std::string xml =
            (body == "&e;" ? "<!DOCTYPE r [<!ENTITY e 'v'><!ATTLIST x d CDATA 'w'>]>" : "") +
            std::string("<r xmlns:p='u'>") + Repeat("<p:x a='1'>" + body + "</p:x>", 50) + "</r>";
        for (const bool counted : {false, true}) {
            long failures = 0;
            for (bool failed = true; failed; ++failures) {
                const std::int64_t before = g_live;
                {
                    g_failAt = failures + 1;
                    const engine::tree::ParseOutcome outcome = engine::tree::ParseUtf8(xml);
                    failed = g_failAt == 0;
                    g_failAt = 0;
                    EXPECT_EQ(outcome.error.reason,
                              failed ? "There was not enough memory to load the document.\n" : "")
                        << "allocation " << failures + 1;
                }
                if (counted) {
                    EXPECT_EQ(g_live, before) << "allocation " << failures + 1;
                }
            }
            EXPECT_GT(failures, 10);
        }
    }
}
#endif

TEST(LoadingCost, ASmallDocumentStaysSmall) {
    const Cost cost = Load("<r>" + Repeat("<item kind='k'>text</item>", 40) + "</r>");
    EXPECT_EQ(cost.refusal, "");
    EXPECT_LT(cost.treeBytes, 16u * 1024);
}

}  // namespace

#ifndef FLATDOM_SANITIZED
// Every C++ allocation of this program counts too (the runtime's other forms
// of new and delete call these).
void* operator new(std::size_t size) {
    if (g_failAt > 0 && --g_failAt == 0) throw std::bad_alloc();
    if (void* block = CountedMalloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    CountedFree(block);
}
void operator delete(void* block, std::size_t) noexcept {
    CountedFree(block);
}
#endif
