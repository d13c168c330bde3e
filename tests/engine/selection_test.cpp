// Queries in XPath 1.0 (the document's SelectionLanguage switched to it):
// from the document and from nodes, namespaces, the kinds of node a query
// reaches, lists, and what a node tells about itself.
#include "engine/engine_fixture.h"

namespace {

const wchar_t kCatalogue[] =
    L"<?xml version=\"1.0\"?>\n"
    L"<!DOCTYPE catalogue [<!ENTITY shop \"Corner &amp; Co\">]>\n"
    L"<catalogue xmlns=\"urn:default\" xmlns:p=\"urn:price\" owner=\"&shop;\">\n"
    L"  <!-- stock list -->\n"
    L"  <?render mode=\"fast\"?>\n"
    L"  <book id=\"b1\" note=\" spaced \"><title> Dune\n</title><p:price "
    L"currency=\"EUR\">9.5</p:price></book>\n"
    L"  <book id=\"b2\"><title><![CDATA[<Emma>]]></title><p:price>12</p:price></book>\n"
    L"  <plain xmlns=\"\"><item>x<b>y</b>\tz</item><item/></plain>\n"
    L"</catalogue>";

class EngineSelection : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        UseXPath();
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
    EXPECT_EQ(Length(SelectAll(doc.get(), L"//p:price").get()), 2);  // from the document too
    EXPECT_FALSE(Select(L"/catalogue"));  // unprefixed means no namespace
    EXPECT_EQ(Text(Select(L"//plain/item").get()), L"xy\tz");
    EXPECT_EQ(Length(SelectAll(root.get(), L"namespace::*").get()), 0);  // left out
}

TEST_F(EngineSelection, BadQueriesGiveEFailAndNoMatchGivesSFalse) {
    for (const wchar_t* query :
         {L"//q:price", L"[[", L"", L"count(//*)", L"string(/)", L"*/book)|(//book"}) {
        IXMLDOMNode* node = reinterpret_cast<IXMLDOMNode*>(1);
        EXPECT_EQ(doc->selectSingleNode(Bstr(query).get(), &node), E_FAIL) << query;
        EXPECT_EQ(node, nullptr);
        IXMLDOMNodeList* list = reinterpret_cast<IXMLDOMNodeList*>(1);
        EXPECT_EQ(doc->selectNodes(Bstr(query).get(), &list), E_FAIL) << query;
        EXPECT_EQ(list, nullptr);
    }
    IXMLDOMNode* node = reinterpret_cast<IXMLDOMNode*>(1);
    EXPECT_EQ(doc->selectSingleNode(Bstr(L"//nothing").get(), &node), S_FALSE);
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(Length(SelectAll(doc.get(), L"//nothing").get()), 0);
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
    titles->reset();
    EXPECT_EQ(titles->nextNode(item.Out()), S_OK);
    EXPECT_EQ(Text(item.get()), L"Dune");
}

TEST_F(EngineSelection, EveryKindOfNodeTellsItsTypeNamesAndText) {
    const struct {
        const wchar_t* query;
        DOMNodeType type;
        const wchar_t *name, *baseName, *text;
    } rows[] = {
        {L"/", NODE_DOCUMENT, L"#document", L"(null)", nullptr},
        {L"/*/@owner", NODE_ATTRIBUTE, L"owner", L"owner", L"Corner & Co"},
        {L"//p:price", NODE_ELEMENT, L"p:price", L"price", L"9.5"},
        {L"//*[@id='b1']/*[1]", NODE_ELEMENT, L"title", L"title", L"Dune"},
        {L"//*[@id='b1']/*[1]/text()", NODE_TEXT, L"#text", L"(null)", L"Dune"},
        {L"//*[@id='b2']/*[1]/text()", NODE_CDATA_SECTION, L"#cdata-section", L"(null)", L"<Emma>"},
        {L"//comment()", NODE_COMMENT, L"#comment", L"(null)", L" stock list "},  // as it stands
        {L"//processing-instruction('render')", NODE_PROCESSING_INSTRUCTION, L"render", L"render",
         L"mode=\"fast\""},
        {L"//*[@id='b1']/@note", NODE_ATTRIBUTE, L"note", L"note", L" spaced "},
        {L"//*[@id='b1']", NODE_ELEMENT, L"book", L"book", L"Dune\n9.5"},
    };
    for (const auto& row : rows) {
        ComPtr<IXMLDOMNode> node = Select(row.query);
        ASSERT_TRUE(node) << row.query;
        DOMNodeType type = NODE_INVALID;
        node->get_nodeType(&type);
        EXPECT_EQ(type, row.type) << row.query;
        EXPECT_EQ(Name(node.get()), row.name) << row.query;
        EXPECT_EQ(BaseName(node.get()), row.baseName) << row.query;
        if (row.text) {
            EXPECT_EQ(Text(node.get()), row.text) << row.query;
        }
    }
}

TEST_F(EngineSelection, XmlParentsAndIdentity) {
    ComPtr<IXMLDOMNode> item = Select(L"//plain/item");
    EXPECT_EQ(Xml(item.get()), L"<item>x<b>y</b>\tz</item>");
    EXPECT_EQ(Xml(Select(L"//*/@currency").get()), L"currency=\"EUR\"");
    ComPtr<IXMLDOMNode> parent;
    EXPECT_EQ(item->get_parentNode(parent.Out()), S_OK);
    EXPECT_EQ(parent.get(), Select(L"//plain").get());  // one object per node
    EXPECT_EQ(root->get_parentNode(parent.Out()), S_OK);
    EXPECT_EQ(parent.get(), static_cast<IXMLDOMNode*>(doc.get()));  // the document itself
    EXPECT_EQ(Select(root.get(), L"..").get(), static_cast<IXMLDOMNode*>(doc.get()));
    EXPECT_EQ(doc->get_parentNode(parent.Out()), S_FALSE);
    EXPECT_EQ(Select(L"/*/@owner")->get_parentNode(parent.Out()), S_FALSE);
    ComPtr<IXMLDOMNode> again = Select(L"//plain/item");
    EXPECT_EQ(again.get(), item.get());
    EXPECT_EQ(item->AddRef(), 3u);  // one more reference each time
    EXPECT_EQ(item->Release(), 2u);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(item->QueryInterface(IID_IXMLDOMDocument, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

// Both languages follow child paths along the tree without compiling them;
// in parentheses, the same path is compiled, and must select the same nodes.
TEST_F(EngineSelection, PlainChildPathsSelectWhatTheFullLanguageSelects) {
    const wchar_t kXml[] =
        L"<r><a><b>1</b><c/><b>2</b></a><x:a xmlns:x='urn:x'><b>x</b></x:a>"
        L"<a xmlns='urn:d'><b>d</b></a><a>text<b>3</b></a></r>";
    for (const bool xpath : {true, false}) {
        ComPtr<IXMLDOMDocument> document = NewDocument();
        if (xpath) {
            ASSERT_EQ(SetProperty(document.get(), L"SelectionLanguage", L"XPath"), S_OK);
        }
        ASSERT_TRUE(LoadXml(document.get(), kXml));
        ComPtr<IXMLDOMNode> r = Select(document.get(), L"r");
        for (const wchar_t* path : {L"a/b", L"a", L"b", L"a/c", L"a/b/c", L"r/a/b", L"x:a/b"}) {
            for (IXMLDOMNode* from : {static_cast<IXMLDOMNode*>(document.get()), r.get()}) {
                const std::wstring general = std::wstring(L"(") + path + L")";
                EXPECT_EQ(Selected(from, path), Selected(from, general)) << path << xpath;
            }
        }
        EXPECT_EQ(Selected(r.get(), L"a/b"), xpath ? L"b=1 b=2 b=3" : L"b=1 b=2 b=d b=3");
        EXPECT_EQ(Selected(r.get(), L"x:a/b"), xpath ? L"error" : L"b=x");
        // More distinct queries than the cache keeps: all still right.
        for (int i = 0; i < 300; ++i) {
            EXPECT_TRUE(Select(
                r.get(), L"self::*[string-length(name()) < " + std::to_wstring(i + 2) + L"]"));
        }
    }
}

TEST_F(EngineTest, SelectionPropertiesAsTheWindowsEngineOffersThem) {
    ComPtr<IXMLDOMDocument2> document;
    ASSERT_EQ(doc->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(document.Out())),
              S_OK);
    auto get = [&](const wchar_t* name) {
        VARIANT value;
        VariantInit(&value);
        if (FAILED(document->getProperty(Bstr(name).get(), &value))) return std::wstring(L"failed");
        std::wstring text(value.bstrVal, SysStringLen(value.bstrVal));
        VariantClear(&value);
        return text;
    };
    EXPECT_EQ(get(L"SelectionLanguage"), L"XSLPattern");
    EXPECT_EQ(get(L"SelectionNamespaces"), L"");
    EXPECT_EQ(get(L"ValidateOnParse"), L"failed");
    ASSERT_TRUE(LoadXml(L"<r xmlns:p='urn:p'><a>1</a><a>2</a><p:b>3</p:b></r>"));
    ComPtr<IXMLDOMNode> r = Select(L"r");

    const std::wstring bindings = L" xmlns:x='urn:p'\txmlns=\"urn:d\" ";
    EXPECT_EQ(SetProperty(doc.get(), L"selectionNAMESPACES", bindings), S_OK);
    EXPECT_EQ(get(L"SelectionNamespaces"), bindings);
    EXPECT_EQ(Selected(r.get(), L"x:b"), L"p:b=3");  // a bound prefix matches by namespace
    for (const wchar_t* bad : {L"xmlns:1='u'", L"xmlnsx='u'", L"xmlns:a=u", L"xmlns:a='u"}) {
        EXPECT_EQ(SetProperty(doc.get(), L"SelectionNamespaces", bad), E_FAIL) << bad;
    }
    EXPECT_EQ(get(L"SelectionNamespaces"), bindings);
    EXPECT_EQ(SetProperty(doc.get(), L"SelectionLanguage", L"XQuery"), E_FAIL);
    EXPECT_EQ(SetProperty(doc.get(), L"NoSuchProperty", L"x"), E_FAIL);

    EXPECT_EQ(Selected(r.get(), L"a[1]"), L"a=2");
    EXPECT_EQ(SetProperty(doc.get(), L"SelectionLanguage", L"xpath"), S_OK);
    EXPECT_EQ(get(L"SelectionLanguage"), L"XPath");
    EXPECT_EQ(Selected(r.get(), L"a[1]"), L"a=1");  // nodes taken before follow the switch
    EXPECT_EQ(Selected(r.get(), L"x:b | p:b"), L"p:b=3");
    EXPECT_EQ(SetProperty(doc.get(), L"SelectionLanguage", L"XSLPattern"), E_FAIL);
    ASSERT_TRUE(LoadXml(L"<r><a>1</a></r>"));  // properties stay with the document
    EXPECT_EQ(get(L"SelectionLanguage"), L"XPath");
    EXPECT_EQ(Selected(doc.get(), L"r/a[1]"), L"a=1");
}

}  // namespace
