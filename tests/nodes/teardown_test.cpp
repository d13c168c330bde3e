// ReleaseNodeInterfaces through the exports: order, counts, and objects
// reachable in more than one way.
#include "frame/module_state.h"
#include "nodes/registries.h"
#include "support/fakes.h"
#include "support/library_fixture.h"

namespace {

using Teardown = LibraryTest;

TEST_F(Teardown, NodesThenListsThenTheDocumentEachUntilZero) {
    Journal journal;
    FakeDocument document("doc", &journal);
    document.releaseAnswers = {2, 1, 0};
    FakeNode root("root", &journal);
    FakeNode item("item", &journal);
    root.refs = 0;  // only the references handed out count
    item.refs = 0;
    FakeNodeList list("list", &journal);
    list.items = {&item};
    DocumentClassOverride fake(&document);
    ASSERT_EQ(LoadXmlDocument(File("teardown.xml", "<r/>").c_str()), 1);

    document.selectAnswer = &root;
    IXMLDOMNode* selected = SelectXmlRootNode(L"r");
    ASSERT_EQ(selected, &root);
    EXPECT_EQ(SelectXmlNodeFromList(&list, 0), &item);  // a list the host holds itself
    EXPECT_EQ(SelectXmlNodeFromList(&list, 0), &item);
    journal.calls.clear();
    ReleaseNodeInterfaces();

    EXPECT_EQ(journal.calls,
              (std::vector<std::string>{"root.Release", "item.Release", "item.Release",
                                        "doc.Release", "doc.Release", "doc.Release"}));
    EXPECT_EQ(g_pXMLDoc, nullptr);
    EXPECT_EQ(g_pFileStream, nullptr);
    EXPECT_EQ(g_NodeRegistry.GetCount(), 0u);
    EXPECT_EQ(list.refs, 1);  // the host's list: neither recorded nor released
}

TEST_F(Teardown, WithoutALoadItOnlyLeavesTheApartmentOnce) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    ReleaseNodeInterfaces();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);  // one left, plus this
    CoUninitialize();
    CoUninitialize();
    ReleaseNodeInterfaces();  // again: nothing to release, nothing breaks
    EXPECT_EQ(SelectXmlRootNode(L"/"), nullptr);
}

TEST_F(Teardown, TheDocumentSelectedAsANodeIsReleasedOnce) {
    ASSERT_EQ(LoadXmlDocument(File("self.xml", "<r><a/></r>").c_str()), 1);
    IXMLDOMNode* self = SelectXmlRootNode(L"/");
    ASSERT_NE(self, nullptr);
    IXMLDOMNode* a = SelectXmlRootNode(L"r/a");
    IXMLDOMNode* up = SelectXmlNode(SelectXmlNode(a, L".."), L"..");
    EXPECT_EQ(up, self);
    SelectXmlNodes(self, L"//*");
    SelectXmlNodes(up, L"/");
    ReleaseNodeInterfaces();  // ASan reports any touch of an object already gone
    EXPECT_EQ(DomEngineLiveObjects(), 0);
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

TEST_F(Teardown, ReleaseDomChangesNothing) {
    ASSERT_EQ(LoadXmlDocument(File("dom.xml", "<r><a/></r>").c_str()), 1);
    IXMLDOMNode* a = SelectXmlRootNode(L"r/a");
    GetXmlText(a);
    ReleaseDOM();
    EXPECT_EQ(g_NodeRegistry.GetCount(), 1u);
    EXPECT_EQ(g_StringRegistry.GetCount(), 1u);
    EXPECT_NE(g_pXMLDoc, nullptr);
    EXPECT_EQ(SelectXmlNode(a, L".."), SelectXmlRootNode(L"r"));
}

}  // namespace
