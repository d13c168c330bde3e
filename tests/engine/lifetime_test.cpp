// Objects driven to zero in any order: nodes and lists outlive their document
// object and stay readable; nothing is freed twice (ASan watches).
#include "engine/engine_fixture.h"

namespace {

using EngineLifetime = EngineTest;

TEST_F(EngineLifetime, NodesAndListsOutliveTheDocumentObject) {
    ASSERT_TRUE(LoadXml(L"<r><a>1</a><a>2</a></r>"));
    ComPtr<IXMLDOMNode> a = Select(L"r/a");
    ComPtr<IXMLDOMNodeList> list = SelectAll(doc.get(), L"//a");
    EXPECT_EQ(doc.Detach()->Release(), 0u);
    EXPECT_EQ(Text(a.get()), L"1");
    ComPtr<IXMLDOMNode> second;
    list->get_item(1, second.Out());
    EXPECT_EQ(Text(second.get()), L"2");
    EXPECT_EQ(Name(Select(a.get(), L"/").get()), L"#document");  // a node of its own now
}

TEST_F(EngineLifetime, ReloadingKeepsNodesOfTheEarlierTreeReadable) {
    ASSERT_TRUE(LoadXml(L"<first>old</first>"));
    ComPtr<IXMLDOMNode> old = Select(L"first");
    ASSERT_TRUE(LoadXml(L"<second>new</second>"));
    EXPECT_EQ(Text(old.get()), L"old");
    EXPECT_NE(Select(old.get(), L"..").get(), static_cast<IXMLDOMNode*>(doc.get()));
    old.Reset();
    EXPECT_EQ(DomEngineLiveObjects(), 1);  // the fixture's document
}

}  // namespace
