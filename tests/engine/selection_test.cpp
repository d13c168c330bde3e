// Queries: XPath 1.0 from the document and from nodes, namespaces, the
// kinds of node a query can reach, lists and their bounds.
#include "engine/engine_fixture.h"

namespace {

const wchar_t kCatalogue[] =
    L"<?xml version=\"1.0\"?>\n"
    L"<!DOCTYPE catalogue [<!ENTITY shop \"Corner &amp; Co\">]>\n"
    L"<catalogue xmlns=\"urn:default\" xmlns:p=\"urn:price\" owner=\"&shop;\">\n"
    L"  <!-- stock list -->\n"
    L"  <?render mode=\"fast\"?>\n"
    L"  <book id=\"b1\"><title>Dune</title><p:price currency=\"EUR\">9.5</p:price></book>\n"
    L"  <book id=\"b2\"><title><![CDATA[<Emma>]]></title><p:price>12</p:price></book>\n"
    L"  <plain xmlns=\"\"><item>x</item></plain>\n"
    L"</catalogue>";

class EngineSelection : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(LoadXml(kCatalogue));
        root = Select(L"/*");
        ASSERT_TRUE(root);
    }
    void TearDown() override {
        root.Reset();
        EngineTest::TearDown();
    }
    ComPtr<IXMLDOMNode> root;
};

TEST_F(EngineSelection, PrefixesResolveAgainstTheDeclarationsInScope) {
    EXPECT_EQ(Text(Select(root.get(), L"*[@id='b1']/p:price").get()), L"9.5");
    EXPECT_EQ(Length(SelectAll(root.get(), L"//p:price").get()), 2);
    // From the document, the document element's declarations count.
    EXPECT_EQ(Length(SelectAll(doc.get(), L"//p:price").get()), 2);
    // An unprefixed name means no namespace, as XPath 1.0 says.
    EXPECT_FALSE(Select(L"/catalogue"));
    EXPECT_EQ(Text(Select(L"//plain/item").get()), L"x");
    EXPECT_EQ(Length(SelectAll(doc.get(), L"//*[local-name()='book']").get()), 2);
}

TEST_F(EngineSelection, UnknownPrefixesAndBadQueriesGiveNoResult) {
    for (const wchar_t* query : {L"//q:price", L"[[", L"", L"count(//*)", L"1 + 1", L"string(/)"}) {
        IXMLDOMNode* node = reinterpret_cast<IXMLDOMNode*>(1);
        Bstr text(query);
        EXPECT_EQ(doc->selectSingleNode(text.get(), &node), E_FAIL) << query;
        EXPECT_EQ(node, nullptr);
        IXMLDOMNodeList* list = reinterpret_cast<IXMLDOMNodeList*>(1);
        EXPECT_EQ(doc->selectNodes(text.get(), &list), E_FAIL) << query;
        EXPECT_EQ(list, nullptr);
    }
    IXMLDOMNode* node = reinterpret_cast<IXMLDOMNode*>(1);
    EXPECT_EQ(doc->selectSingleNode(nullptr, &node), E_FAIL);
    EXPECT_EQ(node, nullptr);
}

TEST_F(EngineSelection, NoMatchIsSFalseOrAnEmptyList) {
    IXMLDOMNode* node = reinterpret_cast<IXMLDOMNode*>(1);
    Bstr query(L"//nothing");
    EXPECT_EQ(doc->selectSingleNode(query.get(), &node), S_FALSE);
    EXPECT_EQ(node, nullptr);
    ComPtr<IXMLDOMNodeList> list = SelectAll(doc.get(), L"//nothing");
    ASSERT_TRUE(list);
    EXPECT_EQ(Length(list.get()), 0);
    ComPtr<IXMLDOMNode> item;
    EXPECT_EQ(list->get_item(0, item.Out()), S_FALSE);
    EXPECT_FALSE(item);
}

TEST_F(EngineSelection, ListsHaveBoundsAndACursor) {
    ComPtr<IXMLDOMNodeList> titles = SelectAll(root.get(), L"*/*[local-name()='title']");
    ASSERT_EQ(Length(titles.get()), 2);
    ComPtr<IXMLDOMNode> item;
    EXPECT_EQ(titles->get_item(1, item.Out()), S_OK);
    EXPECT_EQ(Text(item.get()), L"<Emma>");
    EXPECT_EQ(titles->get_item(2, item.Out()), S_FALSE);
    EXPECT_FALSE(item);
    EXPECT_EQ(titles->get_item(-1, item.Out()), S_FALSE);

    std::wstring seen;
    while (titles->nextNode(item.Out()) == S_OK)
        seen += Text(item.get()) + L";";
    EXPECT_EQ(seen, L"Dune;<Emma>;");
    EXPECT_FALSE(item);
    titles->reset();
    EXPECT_EQ(titles->nextNode(item.Out()), S_OK);
    EXPECT_EQ(Text(item.get()), L"Dune");
}

TEST_F(EngineSelection, ReachesEveryKindOfNode) {
    struct Case {
        const wchar_t* query;
        DOMNodeType type;
        const wchar_t* name;
        const wchar_t* text;
    } cases[] = {
        {L"/*/@owner", NODE_ATTRIBUTE, L"owner", L"Corner & Co"},
        {L"//*[@id='b2']/*[1]/text()", NODE_CDATA_SECTION, L"#cdata-section", L"<Emma>"},
        {L"//comment()", NODE_COMMENT, L"#comment", L"stock list"},
        {L"//processing-instruction()", NODE_PROCESSING_INSTRUCTION, L"render", L"mode=\"fast\""},
        {L"//p:price/@currency", NODE_ATTRIBUTE, L"currency", L"EUR"},
        {L"//p:price", NODE_ELEMENT, L"p:price", L"9.5"},
        {L"//*[@id='b1']/*[1]/text()", NODE_TEXT, L"#text", L"Dune"},
    };
    for (const Case& c : cases) {
        ComPtr<IXMLDOMNode> node = Select(c.query);
        ASSERT_TRUE(node) << c.query;
        DOMNodeType type = NODE_INVALID;
        node->get_nodeType(&type);
        EXPECT_EQ(type, c.type) << c.query;
        EXPECT_EQ(Name(node.get()), c.name) << c.query;
        EXPECT_EQ(Text(node.get()), c.text) << c.query;
    }
}

TEST_F(EngineSelection, PlainChildPathsSelectWhatTheFullLanguageSelects) {
    ASSERT_TRUE(
        LoadXml(L"<r><a><b>1</b><c/><b>2</b></a><x:a xmlns:x='urn:x'><b>no</b></x:a>"
                L"<a xmlns='urn:d'><b>no</b></a><a>text<b>3</b></a></r>"));
    root = Select(L"r");
    for (const wchar_t* path : {L"a/b", L"a", L"b", L"a/c", L"a/b/c", L"r/a/b"}) {
        for (IXMLDOMNode* from : {static_cast<IXMLDOMNode*>(doc.get()), root.get()}) {
            const std::wstring general = std::wstring(L"(") + path + L")";
            ComPtr<IXMLDOMNodeList> fast = SelectAll(from, path);
            ComPtr<IXMLDOMNodeList> full = SelectAll(from, general.c_str());
            ASSERT_EQ(Length(fast.get()), Length(full.get())) << path;
            for (long i = 0; i < Length(fast.get()); ++i) {
                ComPtr<IXMLDOMNode> a, b;
                fast->get_item(i, a.Out());
                full->get_item(i, b.Out());
                EXPECT_EQ(a.get(), b.get()) << path << " item " << i;
            }
            EXPECT_EQ(Select(from, path).get(), Select(from, general.c_str()).get()) << path;
        }
    }
    EXPECT_EQ(Text(Select(root.get(), L"a/b").get()), L"1");
    EXPECT_EQ(Length(SelectAll(root.get(), L"a/b").get()), 3);
    EXPECT_FALSE(Select(Select(root.get(), L"a/b/text()").get(), L"b"));  // from a text node
}

TEST_F(EngineSelection, NamespaceNodesAreLeftOut) {
    EXPECT_EQ(Length(SelectAll(root.get(), L"namespace::*").get()), 0);
    EXPECT_FALSE(Select(root.get(), L"namespace::p"));
}

TEST_F(EngineSelection, ManyDistinctQueriesStayCorrectPastTheCache) {
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 300; ++i) {
            const std::wstring query =
                L"/*[string-length(name()) < " + std::to_wstring(i + 20) + L"]";
            ComPtr<IXMLDOMNode> node = Select(query.c_str());
            EXPECT_TRUE(node) << query;
        }
    }
    EXPECT_EQ(Text(Select(L"//*[@id='b1']/*[1]").get()), L"Dune");
}

}  // namespace
