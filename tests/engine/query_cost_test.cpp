// What queries cost, counted rather than timed: for each shape of document
// and query that once cost the square of its size (steps that meet a node
// from many contexts, the namespace axis, id()), the work of a run on a
// document twice as large is at most about twice as much, in both languages.
#include <functional>
#include <string>

#include "engine/query_fixture.h"
#include "support/repeat.h"

namespace {

// n siblings; n pairs of siblings, the first of each with an attribute,
// between two others; a chain of n elements, each in the one before; a root that declares n
// prefixes, with n children; a root of n attributes, xml:lang the last, with
// n children; n elements with an ID.
std::string Siblings(int n) {
    return "<r>" + Repeat("<item/>", n) + "</r>";
}
std::string Pairs(int n) {
    return "<r><c/>" + Repeat("<a x='1'/><b/>", n) + "<c/></r>";
}
std::string Chain(int n) {
    return Repeat("<x>", n) + Repeat("</x>", n);
}
std::string Declarations(int n) {
    return "<r" + Numbered(" xmlns:a", "='urn:a'", n) + ">" + Repeat("<b/>", n) + "</r>";
}
std::string Languages(int n) {
    return "<r" + Numbered(" a", "='v'", n) + " xml:lang='en'>" + Repeat("<b/>", n) + "</r>";
}
std::string Ids(int n) {
    return "<!DOCTYPE r [<!ATTLIST i id ID #IMPLIED>]><r>" + Numbered("<i id='x", "'/>", n) +
           "</r>";
}

struct Shape {
    std::function<std::string(int)> document;
    int n;  // the smaller size; the larger is twice as large
    const wchar_t* query;
    std::function<std::size_t(int)> selected;  // how many nodes, at size n
    const wchar_t* pattern = nullptr;          // in the pattern language, if not the same
    // XPath's definition makes the run meet n² nodes: only what it holds at
    // once must grow as the document.
    bool squareByDefinition = false;
};

const Shape kShapes[] = {
    {Siblings, 1000, L"r/item/following-sibling::item", [](int n) { return n - 1; }},
    {Siblings, 1000, L"r/item/preceding-sibling::item", [](int n) { return n - 1; }},
    {Siblings, 1000, L"r/item/following::item", [](int n) { return n - 1; }},
    {Siblings, 1000, L"r/item/preceding::item", [](int n) { return n - 1; }},
    {Siblings, 1000, L"r/item/following-sibling::item[1]", [](int n) { return n - 1; },
     L"r/item/following-sibling::item[0]"},
    {Siblings, 1000, L"r/item/preceding-sibling::*[1]", [](int n) { return n - 1; },
     L"r/item/preceding-sibling::*[0]"},
    // A position after predicates that hold of each node alone: up to it.
    {Pairs, 1000, L"//a/following-sibling::*[@x][1]", [](int n) { return n - 1; },
     L"//a/following-sibling::*[@x][0]"},
    {Pairs, 1000, L"//b/preceding-sibling::*[@x][1]", [](int n) { return n; },
     L"//b/preceding-sibling::*[@x][0]"},
    // From many contexts, a node at a position that is far or missing: one
    // walk along each parent's siblings, or the document.
    {Pairs, 1000, L"//a/following-sibling::c[1]", [](int) { return 1; },
     L"//a/following-sibling::c[0]"},
    {Pairs, 1000, L"//b/preceding-sibling::c[1]", [](int) { return 1; },
     L"//b/preceding-sibling::c[0]"},
    {Pairs, 1000, L"//a/following-sibling::*[@y][1]", [](int) { return 0; },
     L"//a/following-sibling::*[@y][0]"},
    {Pairs, 1000, L"//a/following::c[1]", [](int) { return 1; }, L"//a/following::c[0]"},
    {Pairs, 1000, L"//b/preceding::c[1]", [](int) { return 1; }, L"//b/preceding::c[0]"},
    {Siblings, 1000, L"r/item/..", [](int) { return 1; }},
    // Whether a node has another stops at the first.
    {Siblings, 1000, L"r/item[../item/following-sibling::item]", [](int n) { return n; }},
    {Chain, 100, L"//x/ancestor::x", [](int n) { return n - 1; }},
    {Chain, 100, L"//x/ancestor-or-self::x", [](int n) { return n; }},
    {Chain, 100, L"//x//x", [](int n) { return n - 1; }},
    {Chain, 100, L"//x/descendant-or-self::x", [](int n) { return n; }},
    {Declarations, 500, L"r/b[namespace::*]", [](int n) { return n; }},
    {Declarations, 300, L"/*[count(//b/namespace::*) > 0]", [](int) { return 1; }, nullptr, true},
    {Languages, 1000, L"//b[lang('en')]", [](int n) { return n; }},
    {Ids, 1000, L"//i[id('x1')]", [](int n) { return n; }},
};

TEST_F(QueryTest, WorkGrowsAsTheDocument) {
    for (const Shape& shape : kShapes) {
        for (const bool xpath : {false, true}) {
            const std::wstring query = xpath || !shape.pattern ? shape.query : shape.pattern;
            SCOPED_TRACE(Narrow(query) + (xpath ? " (XPath)" : ""));
            engine::query::QueryWork work[2];
            for (int k = 0; k < 2; ++k) {
                const int n = shape.n << k;
                Load(shape.document(n), xpath);
                std::vector<NodeId> nodes;
                ASSERT_TRUE(engine->SelectAll(engine::tree::kDocumentNode, query, nodes));
                EXPECT_EQ(nodes.size(), shape.selected(n));
                work[k] = engine->LastWork();
            }
            auto twice = [](std::uint64_t small) { return 2 * small + small / 10 + 16; };
            if (!shape.squareByDefinition) {
                EXPECT_LE(work[1].visited, twice(work[0].visited));
            }
            EXPECT_LE(work[1].held, twice(work[0].held));
        }
    }
}

// A step from many contexts gives the union of what it gives from each, as
// the same step gives it where a predicate counts positions (and each
// context's nodes are found one context at a time): from contexts that hold
// one another, attributes, namespace nodes, text, the document.
TEST_F(QueryTest, StepsFromManyContextsGiveTheUnion) {
    Load(
        "<!DOCTYPE r [<!ENTITY e '<u>in</u>'>]><?first?>"
        "<r xmlns:p='urn:p' a='1'><s b='2'><!--c--><t>x<p:v c='3'>y</p:v></t>&e;</s>"
        "<s><t xmlns='urn:d'><w/><![CDATA[z]]><w d='4'><?pi?></w></t><t/></s><s/>"
        "<q><q><q/></q></q></r><!--last-->",
        true);
    const wchar_t* const contexts[] = {
        L"/",
        L"//*",
        L"//node()",
        L"//@*",
        L"//*/namespace::*",
        L"//text()",
        L"/descendant::*[position() mod 3 = 1]",
        L"(//*[not(*)] | //comment())",
        L"((//*)[last()] | (//node())[3] | //@b | //namespace::p)",
        L"//q",
        L"//*/node()",  // met out of document order
        L"//@*/..",
    };
    const wchar_t* const axes[] = {
        L"ancestor",  L"ancestor-or-self",  L"child",     L"descendant", L"descendant-or-self",
        L"following", L"following-sibling", L"parent",    L"preceding",  L"preceding-sibling",
        L"self",      L"attribute",         L"namespace",
    };
    // The step, from the node that from selects: the same nodes, the same
    // count, the same existence, in either way.
    auto check = [&](const std::wstring& step, const std::wstring& from) {
        const std::wstring each = step + L"[position() > 0]";
        auto holds = [&](const std::wstring& test) {
            return Selected(L"self::node()[" + test + L"]", from) != "";
        };
        EXPECT_EQ(Selected(step, from), Selected(each, from)) << Narrow(step);
        EXPECT_TRUE(holds(L"count(" + step + L") = count(" + each + L")")) << Narrow(step);
        EXPECT_TRUE(holds(L"boolean(" + step + L") = boolean(" + each + L")")) << Narrow(step);
    };
    for (const wchar_t* axis : axes) {
        for (const wchar_t* context : contexts)
            check(std::wstring(context) + L"/" + axis + L"::node()", L"");
        // Contexts met in reverse order, from one node: the nearest first.
        for (const wchar_t* from : {L"(//q)[1]", L"//p:v/text()", L"//@d", L"//u"}) {
            for (const wchar_t* before : {L"preceding-sibling::node()", L"ancestor-or-self::node()",
                                          L"preceding::node()"}) {
                check(std::wstring(before) + L"/" + axis + L"::node()", from);
            }
        }
    }
    EXPECT_EQ(Selected(L"//s/following-sibling::*"), "s=z s= q=");
    EXPECT_EQ(Selected(L"//*[local-name() = 'w']/preceding-sibling::node()"), "w= #cdata=z");
    EXPECT_EQ(Selected(L"//@*/following::*[local-name() = 'w'] | //p:v/following::t"), "w= w= t=");
    EXPECT_EQ(Selected(L"//q/descendant-or-self::*/@*/ancestor::s"), "");
    EXPECT_EQ(Selected(L"//@c/ancestor-or-self::node()[2]/@c"), "@c=3");
}

}  // namespace
