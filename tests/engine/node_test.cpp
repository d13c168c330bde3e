// What a node tells about itself: text, names, XML, parent, identity.
#include "engine/engine_fixture.h"

namespace {

using EngineNode = EngineTest;

TEST_F(EngineNode, TextIsTheStringValueTrimmedAtBothEnds) {
    ASSERT_TRUE(LoadXml(L"<r>\n  <a> one <b>two</b>\tthree\r\n</a>\n  <m>  x\n  y  </m><e/></r>"));
    EXPECT_EQ(Text(Select(L"r/a").get()), L"one two\tthree");
    EXPECT_EQ(Text(Select(L"r/m").get()), L"x\n  y");
    EXPECT_EQ(Text(Select(L"r/e").get()), L"");
    EXPECT_EQ(Text(doc.get()), Text(Select(L"r").get()));
}

TEST_F(EngineNode, BaseNamesDropThePrefixAndNamelessNodesHaveNone) {
    ASSERT_TRUE(
        LoadXml(L"<x:r xmlns:x=\"urn:x\" x:at=\"1\">t<!--c--><![CDATA[d]]><?pi data?></x:r>"));
    EXPECT_EQ(BaseName(Select(L"*").get()), L"r");
    EXPECT_EQ(Name(Select(L"*").get()), L"x:r");
    EXPECT_EQ(BaseName(Select(L"*/@*").get()), L"at");
    EXPECT_EQ(BaseName(Select(L"*/processing-instruction()").get()), L"pi");
    for (const wchar_t* nameless : {L"*/text()", L"*/comment()", L"/"}) {
        ComPtr<IXMLDOMNode> node = Select(nameless);
        ASSERT_TRUE(node) << nameless;
        BSTR name = reinterpret_cast<BSTR>(1);
        EXPECT_EQ(node->get_baseName(&name), S_FALSE) << nameless;
        EXPECT_EQ(name, nullptr);
    }
}

TEST_F(EngineNode, XmlAndParents) {
    ASSERT_TRUE(LoadXml(L"<r><a k=\"v\">t</a></r>"));
    ComPtr<IXMLDOMNode> a = Select(L"r/a");
    EXPECT_EQ(Xml(a.get()), L"<a k=\"v\">t</a>");
    EXPECT_EQ(Xml(Select(L"r/a/@k").get()), L"k=\"v\"");
    EXPECT_EQ(Xml(doc.get()), L"<r><a k=\"v\">t</a></r>");

    ComPtr<IXMLDOMNode> parent;
    EXPECT_EQ(a->get_parentNode(parent.Out()), S_OK);
    EXPECT_EQ(Name(parent.get()), L"r");
    ComPtr<IXMLDOMNode> top;
    EXPECT_EQ(parent->get_parentNode(top.Out()), S_OK);
    EXPECT_EQ(top.get(), static_cast<IXMLDOMNode*>(doc.get()));
    EXPECT_EQ(doc->get_parentNode(top.Out()), S_FALSE);
    EXPECT_FALSE(top);
    EXPECT_EQ(Select(L"r/a/@k")->get_parentNode(top.Out()), S_FALSE);
}

TEST_F(EngineNode, OneObjectPerNodeWithOneMoreReferenceEachTime) {
    ASSERT_TRUE(LoadXml(L"<r><a/></r>"));
    ComPtr<IXMLDOMNode> first = Select(L"r/a");
    ComPtr<IXMLDOMNode> second = Select(L"//a");
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(first->AddRef(), 3u);
    EXPECT_EQ(first->Release(), 2u);
    // The same object through a list, and through the parent axis.
    ComPtr<IXMLDOMNodeList> list = SelectAll(doc.get(), L"//a");
    ComPtr<IXMLDOMNode> item;
    list->get_item(0, item.Out());
    EXPECT_EQ(item.get(), first.get());
    EXPECT_EQ(Select(first.get(), L"..").get(), Select(L"r").get());
}

TEST_F(EngineNode, TheDocumentNodeIsTheDocumentObject) {
    ASSERT_TRUE(LoadXml(L"<r/>"));
    ComPtr<IXMLDOMNode> self = Select(L"/");
    EXPECT_EQ(self.get(), static_cast<IXMLDOMNode*>(doc.get()));
    EXPECT_EQ(Select(Select(L"r").get(), L"..").get(), static_cast<IXMLDOMNode*>(doc.get()));
    DOMNodeType type = NODE_INVALID;
    self->get_nodeType(&type);
    EXPECT_EQ(type, NODE_DOCUMENT);
    EXPECT_EQ(Name(self.get()), L"#document");
}

TEST_F(EngineNode, AnswersItsOwnInterfacesOnly) {
    ASSERT_TRUE(LoadXml(L"<r/>"));
    ComPtr<IXMLDOMNode> node = Select(L"r");
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(node->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Out())), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(node.get()));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(node->QueryInterface(IID_IXMLDOMDocument, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    ComPtr<IXMLDOMNode> asNode;
    EXPECT_EQ(doc->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(asNode.Out())), S_OK);
    ComPtr<IXMLDOMParseError> error;
    doc->get_parseError(error.Out());
    EXPECT_EQ(error->QueryInterface(IID_IXMLDOMNode, &other), E_NOINTERFACE);
}

}  // namespace
