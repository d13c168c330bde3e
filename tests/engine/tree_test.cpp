// The document tree alone: the shape libxml2's events build, the limits that
// refuse a document, and the node text and XML text read from it. What the
// engine's COM objects show of it is pinned by loading_test.cpp.
#include <gtest/gtest.h>

#include <libxml/parser.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/tree/libxml2_strings.h"
#include "engine/tree/limits.h"
#include "engine/tree/node_text.h"
#include "engine/tree/parse.h"
#include "engine/tree/text_store.h"
#include "engine/tree/tree_builder.h"
#include "engine/tree/xml_writer.h"
#include "support/repeat.h"

namespace {

using namespace engine::tree;

// The node and its descendants on one line: elements as name{children},
// with ! where white space is preserved and (attributes); text as "text",
// CDATA as [text], comments as <!--text-->, processing instructions as
// ?target:data, entity references as &name{children}. ^ opens the children
// of a node whose first child was dropped white space, _ follows a node that
// dropped white space followed.
std::string Shape(const DocumentTree& tree, NodeId id) {
    std::string shape;
    switch (tree.Kind(id)) {
        case NodeKind::kText:
            shape = "\"" + std::string(tree.Content(id)) + "\"";
            break;
        case NodeKind::kCdata:
            shape = "[" + std::string(tree.Content(id)) + "]";
            break;
        case NodeKind::kComment:
            shape = "<!--" + std::string(tree.Content(id)) + "-->";
            break;
        case NodeKind::kProcessingInstruction:
            shape = "?" + std::string(tree.Name(id)) + ":" + std::string(tree.Content(id));
            break;
        default: {
            if (tree.Kind(id) == NodeKind::kEntityReference) shape = "&";
            shape += tree.Name(id);
            if (tree.HasFlag(id, kPreserveSpace)) shape += "!";
            std::string attributes;
            for (NodeId a = tree.FirstAttributeRecord(id); a <= tree.LastAttributeRecord(id); ++a) {
                if (tree.Kind(a) == NodeKind::kAttribute)
                    attributes += (attributes.empty() ? "" : " ") + std::string(tree.Name(a)) +
                                  "=" + std::string(tree.Content(a));
            }
            if (!attributes.empty()) shape += "(" + attributes + ")";
            std::string children = tree.HasFlag(id, kBlankFirstChild) ? "^" : "";
            for (NodeId child = tree.FirstChild(id); child != kNoNode;
                 child = tree.NextSibling(child)) {
                children += (children.empty() ? "" : " ") + Shape(tree, child);
            }
            if (!children.empty()) shape += "{" + children + "}";
        }
    }
    return tree.HasFlag(id, kBlankAfter) ? shape + "_" : shape;
}

std::string Shape(const ParseOutcome& outcome) {
    return outcome.tree ? Shape(*outcome.tree, kDocumentNode) : "refused: " + outcome.error.reason;
}

// The first node named name in document order: an element, attribute,
// processing instruction or entity reference; "#document" is the document.
NodeId Find(const DocumentTree& tree, std::string_view name) {
    if (name == "#document") return kDocumentNode;
    for (NodeId id = kDocumentNode; id <= tree.NodeCount(); ++id) {
        if (tree.Name(id) == name && tree.Kind(id) != NodeKind::kNamespace) return id;
    }
    ADD_FAILURE() << "no node " << name;
    return kDocumentNode;
}

// A head of bytes, then fill without end when given, as a stream gives them.
class Bytes : public ByteSource {
  public:
    Bytes(std::string head, std::string fill = "")
        : m_head(std::move(head)), m_fill(std::move(fill)) {}
    long Read(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        for (; n < size && (m_sent < m_head.size() || !m_fill.empty()); ++n, ++m_sent) {
            buffer[n] = m_sent < m_head.size() ? m_head[m_sent]
                                               : m_fill[(m_sent - m_head.size()) % m_fill.size()];
        }
        return static_cast<long>(n);
    }

  private:
    std::string m_head, m_fill;
    std::size_t m_sent = 0;
};

TEST(TreeShape, WhiteSpaceDeclarationDoctypeEntitiesAndDefaults) {
    const struct {
        const char *xml, *shape;
    } rows[] = {
        // White space only: dropped, and marked where it stood.
        {"<r>a <b>b</b> <c>c</c> d</r>", "{r{\"a \" b{\"b\"}_ c{\"c\"} \" d\"}}"},
        {"<r>\n <a/>\n</r>", "{r{^ a_}}"},
        {"<r> </r>", "{r{^}}"},
        {"<r xml:space='preserve'> <a xml:space='default'> <b> </b></a></r>",
         "{r!(xml:space=preserve){\" \" a(xml:space=default){^ b{^}}}}"},
        {"<r xml:space='preserve'><a> </a></r>", "{r!(xml:space=preserve){a!{\" \"}}}"},
        {"<r><!--c--> <?p d?> <![CDATA[ ]]> x</r>", "{r{<!--c-->_ ?p:d_ [ ] \" x\"}}"},
        // CDATA sections with nothing but white space between them: one.
        {"<r><![CDATA[a]]>\n<![CDATA[b]]><![CDATA[]]>t<![CDATA[c]]></r>", "{r{[ab]_ \"t\" [c]}}"},
        // The XML declaration as the first child; the DOCTYPE not a child.
        {"<?xml version='1.0' encoding='ISO-8859-1' standalone='no'?><!DOCTYPE r [<!--in-->"
         "<?in subset?>]><!--out--><r/>",
         "{?xml:version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\" <!--out--> r}"},
        {"<?p?>\n<r/>\n<?q?>", "{?p: r ?q:}"},
        // Entity references in content hold their replacement; attribute
        // values hold the replaced text, and defaults from the DTD.
        {"<!DOCTYPE r [<!ENTITY e 'E'><!ENTITY n '[&e;<b>&e;</b>]'><!ENTITY z ''>"
         "<!ATTLIST r d CDATA 'x&e;' a CDATA 'no'>]><r a='&e;!'>x&e;y&n;&z;&e;&e;</r>",
         "{r(a=E! d=xE){\"x\" &e{\"E\"} \"y\" &n{\"[\" &e{\"E\"} b{&e{\"E\"}} "
         "\"]\"} &z &e{\"E\"} &e{\"E\"}}}"},
        {"<!DOCTYPE r [<!ENTITY s ' '><!ENTITY w '\n<b/>\n'>]><r>p&s;q &w; </r>",
         "{r{\"p\" &s{^} \"q \" &w{^ b_}_}}"},
        {"<!DOCTYPE r [<!ENTITY e 'E'>]><r xml:space='preserve'>&e;</r>",
         "{r!(xml:space=preserve){&e!{\"E\"}}}"},
        // A default gives way to the attribute written; the first declaration
        // of an attribute holds; elements of an entity's text get defaults
        // too, and xml:space may come as one.
        {"<!DOCTYPE r [<!ATTLIST r a CDATA #IMPLIED b CDATA 'b1'>"
         "<!ATTLIST r a CDATA 'a2' b CDATA 'b2' c CDATA 'c2'>]><r b='own'/>",
         "{r(b=own c=c2)}"},
        {"<!DOCTYPE r [<!ATTLIST x d CDATA 'v' xml:space (preserve) 'preserve'>"
         "<!ENTITY e '<x> </x>'>]><r>&e;<x d='w'/></r>",
         "{r{&e{x!(d=v xml:space=preserve){\" \"}} x!(d=w xml:space=preserve)}}"},
        // A reference to an entity the external DTD would declare.
        {"<!DOCTYPE r SYSTEM 'r.dtd'><r>a&u;b</r>", "{r{\"ab\"}}"},  // undeclared: nothing
        {"<!DOCTYPE r [<!ENTITY x SYSTEM 'x.txt'>]><r>&x;</r>", "{r{&x}}"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shape(ParseUtf8(row.xml)), row.shape) << row.xml;
}

// A namespace name need not be a valid URI: such a document loads, its
// elements in that namespace. Namespace errors proper still refuse it.
TEST(TreeShape, NamespaceNamesThatAreNoUrisLoad) {
    const struct {
        const char *xml, *uri;
    } rows[] = {
        {"<r xmlns:p='a b'><p:x/></r>", "a b"},
        {"<r xmlns:p='http://x/?a=1&amp;b=2&lt;'><p:x/></r>", "http://x/?a=1&b=2<"},
        {"<p:x xmlns:p='%zz' xmlns='a b'/>", "%zz"},
        {"<r><p:x xmlns:p='[' xmlns:q='u' q:a='1'/></r>", "["},
        {"<r xmlns:p='a b'><q:x/></r>", "refused: Namespace prefix q on x is not defined\n"},
        {"<r xmlns:p='a b'><p:x xmlns:q='a b' p:a='1' q:a='2'/></r>",
         "refused: Namespaced Attribute a in 'a b' redefined\n"},
        {"<r xmlns:p='a b' xmlns:q=''/>", "refused: xmlns:q: Empty XML namespace is not allowed\n"},
    };
    for (const auto& row : rows) {
        const ParseOutcome outcome = ParseUtf8(row.xml);
        const std::string uri =
            outcome.tree ? std::string(outcome.tree->NamespaceUri(Find(*outcome.tree, "p:x")))
                         : "refused: " + outcome.error.reason;
        EXPECT_EQ(uri, row.uri) << row.xml;
    }
}

// The DTD is read with the references in its defaults kept; the values
// elements get are made from them, and are what libxml2 gives the same text
// written in a start tag (CDATA), or that text with its spaces made one
// (other types).
TEST(TreeDefaults, ValuesAreWhatTheSameTextGivesInAStartTag) {
    const std::string entities =
        "<!ENTITY e 'E'><!ENTITY s 'a&#9;b&#10;c&#13;d'><!ENTITY n '[&e;&#38;#38;&#38;lt;]'>"
        "<!ENTITY u '&#x20AC;&#38;#x1D11E;'><!ENTITY z ''><!ENTITY d '&n;&n;'>";
    for (const char* value :
         {"x&e;y", "&#38;&amp;&lt;&gt;&quot;&apos;", "a&#10;b&#9;c&#13;", "a\tb\nc  d", "&s;",
          "&n;", "&u;&z;", "&amp;e;", "&#38;#38;", "&d;&s;&d;", ""}) {
        const std::string xml = "<!DOCTYPE r [" + entities + "<!ATTLIST r d CDATA \"" + value +
                                "\">]><r e=\"" + value + "\"/>";
        const ParseOutcome outcome = ParseUtf8(xml);
        ASSERT_TRUE(outcome.tree) << value << ": " << outcome.error.reason;
        EXPECT_EQ(TextOf(*outcome.tree, Find(*outcome.tree, "d")),
                  TextOf(*outcome.tree, Find(*outcome.tree, "e")))
            << value;
    }
    const ParseOutcome normalized =
        ParseUtf8("<!DOCTYPE r [" + entities +
                  "<!ATTLIST r t NMTOKENS '  &e;  x&s;  ' c CDATA '  &e;  '>]><r/>");
    ASSERT_TRUE(normalized.tree) << normalized.error.reason;
    EXPECT_EQ(Shape(normalized), "{r(t=E xa b c d c=  E  )}");
}

TEST(TreeDefaults, PrefixedDefaultsTakeTheNamespaceInScope) {
    const ParseOutcome outcome = ParseUtf8(
        "<!DOCTYPE r [<!ATTLIST x p:a CDATA 'v' xml:lang CDATA 'en' xmlns:q CDATA 'urn:q' "
        "q:b CDATA 'w'>]><r xmlns:p='urn:p'><x/><x xmlns:p='urn:p2'/><p:x/><x/></r>");
    ASSERT_TRUE(outcome.tree) << outcome.error.reason;
    const DocumentTree& tree = *outcome.tree;
    std::string uris;
    for (NodeId id = kDocumentNode; id <= tree.NodeCount(); ++id) {
        if (tree.Kind(id) == NodeKind::kAttribute)
            uris += std::string(tree.Name(id)) + "=" + std::string(tree.NamespaceUri(id)) + " ";
    }
    EXPECT_EQ(uris,
              "p:a=urn:p xml:lang=http://www.w3.org/XML/1998/namespace q:b=urn:q "
              "p:a=urn:p2 xml:lang=http://www.w3.org/XML/1998/namespace q:b=urn:q "
              "p:a=urn:p xml:lang=http://www.w3.org/XML/1998/namespace q:b=urn:q ");
    EXPECT_EQ(Shape(ParseUtf8("<!DOCTYPE r [<!ATTLIST x q:a CDATA 'v'>]><r><x/></r>")),
              "refused: Namespace prefix q for a on x is not defined\n");
}

// Each element's namespace declarations and the namespaces of its name and
// attributes, as libxml2 builds its own tree (defaults and entities
// replaced), or its namespace error; and as ours.
std::string NamespacesOf(const xmlNode* node) {
    std::string text;
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        text +=
            "<" + std::string(Chars(node->name)) + ":" + (node->ns ? Chars(node->ns->href) : "");
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next)
            text += std::string(" xmlns:") + (ns->prefix ? Chars(ns->prefix) : "") + "=" +
                    Chars(ns->href);
        for (const xmlAttr* a = node->properties; a; a = a->next)
            text += " " + std::string(Chars(a->name)) + ":" + (a->ns ? Chars(a->ns->href) : "");
        text += ">" + NamespacesOf(node->children);
    }
    return text;
}
std::string Libxml2Namespaces(const std::string& xml) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    xmlDocPtr doc = xmlCtxtReadMemory(
        context, xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
        XML_PARSE_DTDATTR | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::string text = context->nsWellFormed
                           ? NamespacesOf(xmlDocGetRootElement(doc))
                           : "refused: " + std::string(xmlGetLastError()->message);
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(context);
    return text;
}
std::string Namespaces(const std::string& xml) {
    const ParseOutcome outcome = ParseUtf8(xml);
    if (!outcome.tree) return "refused: " + outcome.error.reason;
    const DocumentTree& tree = *outcome.tree;
    std::string text;
    std::vector<NodeId> open;
    for (NodeId id = kDocumentNode + 1; id <= tree.NodeCount(); ++id) {
        if (tree.Kind(id) != NodeKind::kElement) continue;
        text += "<" + std::string(tree.LocalName(id)) + ":" + std::string(tree.NamespaceUri(id));
        for (NodeId a = tree.FirstAttributeRecord(id); a <= tree.LastAttributeRecord(id); ++a) {
            const std::string name(tree.Name(a));
            text += tree.Kind(a) == NodeKind::kNamespace
                        ? " xmlns:" + name.substr(name.size() > 5 ? 6 : 5) + "=" +
                              std::string(tree.NamespaceUri(a))
                        : " " + std::string(tree.LocalName(a)) + ":" +
                              std::string(tree.NamespaceUri(a));
        }
        text += ">";
    }
    return text;
}

// Namespace declarations the DTD defaults are those libxml2 gives its own
// tree: each that an element does not write, whatever the other defaults,
// its value made as for any default; an expanded name given twice, written
// or defaulted, refuses the document.
TEST(TreeDefaults, NamespaceDeclarationsAsLibxml2sOwnTree) {
    const std::string dtd = "<!DOCTYPE c [<!ENTITY e 'p'><!ATTLIST a y CDATA 'v' ";
    for (const std::string& xml : {
             dtd + "xmlns:r CDATA 'urn:q' xmlns:q CDATA 'urn:p'>]>"
                   "<c xmlns:q='urn:q'><a><q:x q:w='1'/></a><q:x/></c>",
             dtd + "xmlns:q CDATA 'urn:&e;' xmlns CDATA 'urn:d'>]>"
                   "<c><a xmlns:q='urn:z'><q:x/><x/></a><a><q:x/></a></c>",
             dtd + "q:w CDATA 'd'>]><a xmlns:p='urn:p' xmlns:q='urn:p' p:w='given'/>",
             dtd + "q:w CDATA '1' p:w CDATA '2'>]><a xmlns:p='urn:p' xmlns:q='urn:p'/>",
             dtd + "xmlns:r CDATA 'urn:q' xmlns:q CDATA 'urn:p'>]>"
                   "<c xmlns:q='urn:q' xmlns:s='urn:p'><a q:w='1' s:w='2'/></c>",
         }) {
        EXPECT_EQ(Namespaces(xml), Libxml2Namespaces(xml)) << xml;
    }
}

TEST(TreeLimits, EachRefusalNamesTheLimitReached) {
    const std::string entity(20000, 'x');
    const struct {
        const char* what;
        Bytes source;
        const char* reason;
    } rows[] = {
        {"endless spaces", {"<r>", " "}, kTextTooLong},
        {"endless preserved spaces", {"<r xml:space='preserve'>", " "}, kTextTooLong},
        {"endless text", {"<r>", "x"}, kTextTooLong},
        {"endless CDATA sections",
         {"<r>", "<![CDATA[" + std::string(1000, 'x') + "]]>"},
         kTextTooLong},
        {"endless attributes", {"<r", " a=''"}, kTooManyAttributes},
        {"endless nesting", {"", "<a>"}, kTooDeep},
        {"endless comment", {"<r><!--", "x"}, "A comment in the document is longer"},
        {"endless spaces in a start tag", {"<r", " "}, kTooMuchAtOnce},
        {"endless spaces after the root", {"<r/>", " "}, kTooMuchAtOnce},
        {"endless attribute declarations",
         {"<!DOCTYPE r [", "<!ATTLIST e a CDATA #IMPLIED>"},
         kTooManyAttributeDeclarations},
        // Each small piece of the document adds a lot: 300 defaulted
        // attributes, 20,000 bytes of an entity's text, 17 records.
        {"attribute defaults",
         {"<!DOCTYPE r [<!ATTLIST e" + Numbered(" a", " CDATA 'v'", 300) + ">]><r>", "<e/>"},
         kTooMuchAmplification},
        {"entity text in attribute values",
         {"<!DOCTYPE r [<!ENTITY e '" + entity + "'>]><r>", "<a v='&e;'/>"},
         kTooMuchAmplification},
        {"entity references",
         {"<!DOCTYPE r [<!ENTITY e '" + Repeat("<b/>", 16) + "'>]><r>", "&e;"},
         kTooMuchAmplification},
    };
    for (const auto& row : rows) {
        Bytes source = row.source;
        const ParseOutcome outcome = Parse(source);
        EXPECT_FALSE(outcome.tree) << row.what;
        EXPECT_EQ(outcome.error.reason.rfind(row.reason, 0), 0u)
            << row.what << ": " << outcome.error.reason;
    }
}

TEST(TreeLimits, DocumentsUpToEachLimitLoad) {
    // Three defaulted attributes on elements of eight bytes: 13 times the
    // document's size, past the budget's floor.
    const ParseOutcome defaults =
        ParseUtf8("<!DOCTYPE r [<!ATTLIST p a CDATA 'aaaa' b CDATA 'bbbb' c CDATA 'cccc'>]><r>" +
                  Repeat("<p>x</p>", 400000) + "</r>");
    ASSERT_TRUE(defaults.tree) << defaults.error.reason;
    EXPECT_EQ(defaults.tree->NodeCount(), 1 + 1 + 400000 * 5u);

    std::string deep;
    for (std::uint32_t i = 0; i < kMaxElementDepth; ++i)
        deep = "<a>" + deep + "</a>";
    EXPECT_TRUE(ParseUtf8(deep).tree);
    EXPECT_FALSE(ParseUtf8("<r>" + deep + "</r>").tree);

    // Attributes, through the builder's events (libxml2 up to 2.11 takes a
    // second to parse a tag of 60,000).
    for (const std::size_t count : {std::size_t{kMaxAttributes}, std::size_t{kMaxAttributes} + 1}) {
        DocumentTree tree;
        TreeBuilder builder(tree);
        const std::vector<AttributeEvent> attributes(count - 1, {builder.Name("a", ""), "v"});
        const bool ok = builder.StartElement(builder.Name("r", ""), {{"p", "urn:p"}}, attributes);
        EXPECT_EQ(ok, count == kMaxAttributes) << count;
        EXPECT_STREQ(builder.Failure(), ok ? nullptr : kTooManyAttributes);
    }
}

// The limits of ids and text references, at sizes a test can reach.
TEST(TreeLimits, NodesAndTextPastTheStoreAreRefused) {
    {
        DocumentTree tree(4);  // the document and three more nodes
        TreeBuilder builder(tree);
        EXPECT_TRUE(
            builder.StartElement(builder.Name("r", ""), {}, {{builder.Name("a", ""), "v"}}));
        EXPECT_TRUE(builder.Comment("c"));
        EXPECT_FALSE(builder.Comment("d"));
        EXPECT_STREQ(builder.Failure(), kTooManyNodes);
        EXPECT_EQ(tree.NodeCount(), 4u);
    }
    {
        DocumentTree tree(kMaxNodes, 2 * TextStore::kUnit);
        TreeBuilder builder(tree);
        EXPECT_TRUE(builder.StartElement(builder.Name("r", ""), {}, {}));
        EXPECT_TRUE(builder.Comment(std::string(TextStore::kUnit, 'a')));
        EXPECT_TRUE(builder.Comment("small"));  // the second unit
        EXPECT_FALSE(builder.Comment(std::string(TextStore::kUnit - 4, 'b')));
        EXPECT_STREQ(builder.Failure(), kTooMuchText);
    }
    // Text stays where it was put while the first block grows, beside texts
    // of blocks of their own.
    TextStore store;
    std::vector<std::pair<TextRef, std::string>> texts;
    for (int i = 0; i < 3000; ++i) {
        std::string text(i % 1000 == 999 ? 100000 + i : 1 + i % 700,
                         static_cast<char>('a' + i % 26));
        TextRef ref = 0;
        ASSERT_TRUE(store.Add(text, ref));
        texts.emplace_back(ref, std::move(text));
    }
    for (const auto& [ref, text] : texts)
        ASSERT_EQ(store.Get(ref, static_cast<std::uint32_t>(text.size())), text);
}

TEST(NodeText, ReadsThroughEntityReferencesAndKeepsCdataAsWritten) {
    const struct {
        const char *xml, *node, *text;
    } rows[] = {
        {"<!DOCTYPE r [<!ENTITY e ' E '>]><r>x&e;y</r>", "r", "x E y"},
        {"<!DOCTYPE r [<!ENTITY e ' E '>]><r>x&e;y</r>", "e", "E"},
        {"<!DOCTYPE r [<!ENTITY s ' '>]><r>p&s;q</r>", "r", "p q"},
        {"<!DOCTYPE r [<!ENTITY n '<b>1</b> <b>2</b>'>]><r>&n;<b>3</b></r>", "r", "1 23"},
        {"<r><b>1</b> <![CDATA[]]> <b>2</b></r>", "r", "1  2"},
        {"<r> <c><![CDATA[ x ]]></c> </r>", "r", " x "},
        {"<r><![CDATA[a]]>\n<![CDATA[b]]> <b>c</b></r>", "r", "ab c"},
        {"<r xml:space='preserve'> <b> 1 </b> </r>", "r", "  1  "},
        {"<r xml:space='preserve'> <b> 1 </b> </r>", "#document", "1"},
        {"<r a=' v '><?p  d ?><!-- c --></r>", "a", " v "},
        {"<r a=' v '><?p  d ?><!-- c --></r>", "p", "d "},
    };
    for (const auto& row : rows) {
        const ParseOutcome outcome = ParseUtf8(row.xml);
        ASSERT_TRUE(outcome.tree) << row.xml;
        EXPECT_EQ(TextOf(*outcome.tree, Find(*outcome.tree, row.node)), row.text) << row.xml;
    }
}

// As libxml2's serializer writes, but for the values it left unescaped.
TEST(XmlText, WritesWhatLibxml2sSerializerWroteWithEveryValueEscaped) {
    const struct {
        const char *xml, *node, *expected;
    } rows[] = {
        {"<r a='1&#10;2&#9;3&#13;&quot;&lt;&gt;&amp;&apos;'>&lt;&gt;&amp;&#13;\"'</r>", "r",
         "<r a=\"1&#10;2&#9;3&#13;&quot;&lt;&gt;&amp;'\">&lt;&gt;&amp;&#13;\"'</r>"},
        {"<r a='&quot;'/>", "a", "a=\"&quot;\""},
        // Beyond ASCII: character references in attribute values unless the
        // document names its encoding.
        {"<r a='\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e'>\xc3\xa9</r>", "r",
         "<r a=\"&#xE9;&#x20AC;&#x1D11E;\">\xc3\xa9</r>"},
        {"<?xml version='1.0' encoding='UTF-8'?><r a='\xc3\xa9'/>", "r", "<r a=\"\xc3\xa9\"/>"},
        {"<p:r xmlns:p='urn:p' xmlns='urn:d' p:a='1'><s xmlns=''/></p:r>", "p:r",
         "<p:r xmlns:p=\"urn:p\" xmlns=\"urn:d\" p:a=\"1\"><s xmlns=\"\"/></p:r>"},
        {"<r xmlns:p='&amp;&lt;&gt;&quot;&#9;&#10;&#13;\xc3\xa9'/>", "r",
         "<r xmlns:p=\"&amp;&lt;&gt;&quot;&#9;&#10;&#13;\xc3\xa9\"/>"},
        {"<r xmlns:p='\"'/>", "r", "<r xmlns:p=\"&quot;\"/>"},
        {"<!DOCTYPE r [<!ATTLIST r a CDATA '&amp;&lt;&#34;&#39;&#10;'>]><r/>", "#document",
         "<!DOCTYPE r [\n<!ATTLIST r a CDATA \"&amp;&lt;&quot;'&#10;\">\n]>\n"
         "<r a=\"&amp;&lt;&quot;'&#10;\"/>"},
        {"<r><?p?><?p ?><?p d?><!----><![CDATA[]]><![CDATA[x]]><e></e></r>", "r",
         "<r><?p?><?p ?><?p d?><!----><![CDATA[x]]><e/></r>"},
        {"<!DOCTYPE r [<!ENTITY e '<b>E</b>'>]><r>x&e;</r>", "r", "<r>x&e;</r>"},
        {"<!DOCTYPE r [<!ENTITY e '<b>E</b>'>]><r>x&e;</r>", "e", "&e;"},
        // The DOCTYPE with the references the document wrote kept, as Wine
        // writes it too (Wine writes "&#38;", "<" and a line break as they
        // stand).
        {"<!DOCTYPE r [<!ENTITY a 'AAAA'><!ENTITY b '&a;&a;'>"
         "<!ATTLIST z d CDATA 'x&b;&#38;y&amp;&lt;&#10;z'>]><r/>",
         "#document",
         "<!DOCTYPE r [\n<!ENTITY a \"AAAA\">\n<!ENTITY b \"&a;&a;\">\n"
         "<!ATTLIST z d CDATA \"x&b;&amp;y&amp;&lt;&#10;z\">\n]>\n<r/>"},
        {"<?xml version='1.0'?><!--a--><!DOCTYPE r [<!ENTITY e 'E'><!--in-->]><r/><?p?>",
         "#document",
         "<?xml version=\"1.0\"?>\n<!--a-->\n<!DOCTYPE r [\n<!ENTITY e \"E\">\n<!--in-->]>\n"
         "<r/>\n<?p?>"},
    };
    for (const auto& row : rows) {
        const ParseOutcome outcome = ParseUtf8(row.xml);
        ASSERT_TRUE(outcome.tree) << row.xml;
        EXPECT_EQ(XmlOf(*outcome.tree, Find(*outcome.tree, row.node)), row.expected) << row.xml;
    }
}

// The XML text of each document among the tests' files parses again, to the
// same text: every value it writes is escaped where it must be.
TEST(XmlText, EachTestDocumentReadsBack) {
    int documents = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(FLATDOM_TEST_DOCUMENTS)) {
        if (entry.path().extension() != ".xml") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        Bytes bytes(std::string(std::istreambuf_iterator<char>(file), {}));
        const ParseOutcome outcome = Parse(bytes);
        ASSERT_TRUE(outcome.tree) << entry.path() << ": " << outcome.error.reason;
        const std::string xml = XmlOf(*outcome.tree, kDocumentNode);
        const ParseOutcome back = ParseUtf8(xml);
        EXPECT_EQ(back.tree ? XmlOf(*back.tree, kDocumentNode) : back.error.reason, xml);
        ++documents;
    }
    EXPECT_GE(documents, 8);
}

}  // namespace
