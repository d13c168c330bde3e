// ReleaseNodeInterfaces through the exports: order, counts, and objects
// reachable in more than one way.
#include "frame/module_state.h"
#include "nodes/registries.h"
#include "support/fakes.h"
#include "support/library_fixture.h"

namespace {

using Teardown = LibraryTest;

// Each reference the library took goes back once, never "until zero": the
// others are their holders' (here the engine keeps the stream it read).
TEST_F(Teardown, NodesThenListsThenTheDocumentAndStreamOncePerReference) {
    Journal journal;
    FakeDocument document("doc", &journal);
    document.keepSource = true;
    FakeNode root("root", &journal);
    FakeNode item("item", &journal);
    root.refs = 0;  // only the references handed out count
    item.refs = 0;
    FakeNodeList list("list", &journal);
    list.items = {&item};
    DocumentClassOverride fake(&document);
    ASSERT_EQ(LoadXmlDocument(File("teardown.xml", "<r/>").c_str()), 1);
    ASSERT_NE(document.source, nullptr);

    document.selectAnswer = &root;
    IXMLDOMNode* selected = SelectXmlRootNode(L"r");
    ASSERT_EQ(selected, &root);
    EXPECT_EQ(SelectXmlNodeFromList(&list, 0), &item);  // a list the host holds itself
    EXPECT_EQ(SelectXmlNodeFromList(&list, 0), &item);
    journal.calls.clear();
    ReleaseNodeInterfaces();

    EXPECT_EQ(journal.calls, (std::vector<std::string>{"root.Release", "item.Release",
                                                       "item.Release", "doc.Release"}));
    EXPECT_EQ(document.refs, 1);
    EXPECT_EQ(g_pXMLDoc, nullptr);
    EXPECT_EQ(g_pFileStream, nullptr);
    EXPECT_EQ(g_NodeRegistry.GetCount(), 0u);
    EXPECT_EQ(list.refs, 1);  // the host's list: neither recorded nor released
    // The engine's reference to the stream, still good.
    EXPECT_EQ(document.source->Release(), 0u);
}

TEST_F(Teardown, EverySelectionIsRecordedDuplicatesAndEmptyListsIncluded) {
    ASSERT_EQ(LoadXmlDocument(File("record.xml", "<r><a/><a/></r>").c_str()), 1);
    IXMLDOMNode* r = SelectXmlRootNode(L"r");
    EXPECT_EQ(SelectXmlNode(r, L"a"), SelectXmlNode(r, L"a[0]"));
    EXPECT_EQ(SelectXmlRootNode(L"none"), nullptr);
    EXPECT_EQ(SelectXmlNode(nullptr, L"a"), nullptr);
    IXMLDOMNodeList* empty = SelectXmlNodes(r, L"none");
    EXPECT_EQ(SelectXmlNodeFromList(empty, 0), nullptr);
    EXPECT_EQ(g_NodeRegistry.GetCount(), 3u);
    EXPECT_EQ(g_NodeListRegistry.GetCount(), 1u);
}

}  // namespace
