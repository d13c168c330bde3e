// Objects driven to zero in any order: nodes and lists outlive their
// document object and stay readable; nothing is freed twice.
#include "engine/engine_fixture.h"

namespace {

using EngineLifetime = EngineTest;

TEST_F(EngineLifetime, NodesAndListsOutliveTheDocumentObject) {
    ASSERT_TRUE(LoadXml(L"<r><a>1</a><a>2</a></r>"));
    ComPtr<IXMLDOMNode> a = Select(L"r/a");
    ComPtr<IXMLDOMNodeList> list = SelectAll(doc.get(), L"//a");
    EXPECT_EQ(doc.get()->Release(), 0u);
    doc.Detach();

    EXPECT_EQ(Text(a.get()), L"1");
    ComPtr<IXMLDOMNode> second;
    list->get_item(1, second.Out());
    EXPECT_EQ(Text(second.get()), L"2");
    // The document node is still there, as a node of its own now.
    ComPtr<IXMLDOMNode> top = Select(a.get(), L"/");
    ASSERT_TRUE(top);
    EXPECT_EQ(Name(top.get()), L"#document");
}

TEST_F(EngineLifetime, ReleasedToZeroInTheTeardownOrder) {
    ASSERT_TRUE(LoadXml(L"<r><a/></r>"));
    IXMLDOMNode* a = Select(L"r/a").Detach();
    IXMLDOMNode* again = Select(L"//a").Detach();
    IXMLDOMNodeList* list = SelectAll(doc.get(), L"/r").Detach();
    IXMLDOMNode* self = Select(L"/").Detach();
    ASSERT_EQ(a, again);
    ULONG left;
    while ((left = a->Release()) != 0) {
    }
    while ((left = list->Release()) != 0) {
    }
    // The document was selected too: driving it to zero ends it.
    while ((left = self->Release()) != 0) {
    }
    doc.Detach();
}

TEST_F(EngineLifetime, ReloadingKeepsNodesOfTheEarlierTreeReadable) {
    ASSERT_TRUE(LoadXml(L"<first>old</first>"));
    ComPtr<IXMLDOMNode> old = Select(L"first");
    ASSERT_TRUE(LoadXml(L"<second>new</second>"));
    EXPECT_EQ(Text(old.get()), L"old");
    EXPECT_EQ(Text(Select(L"second").get()), L"new");
    // Its document node is no longer the document object.
    ComPtr<IXMLDOMNode> oldTop = Select(old.get(), L"..");
    EXPECT_NE(oldTop.get(), static_cast<IXMLDOMNode*>(doc.get()));
}

TEST_F(EngineLifetime, ManyCyclesLeaveNothingAlive) {
    for (int i = 0; i < 200; ++i) {
        ComPtr<IXMLDOMDocument> document = NewDocument();
        ASSERT_TRUE(LoadXml(document.get(), L"<r><a>x</a></r>"));
        ComPtr<IXMLDOMNodeList> list = SelectAll(document.get(), L"//a");
        ComPtr<IXMLDOMNode> node;
        list->get_item(0, node.Out());
        ComPtr<IXMLDOMParseError> error;
        document->get_parseError(error.Out());
    }
    EXPECT_EQ(DomEngineLiveObjects(), 1);  // the fixture's document
}

}  // namespace
