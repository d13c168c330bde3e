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

// The engine gives the same object for the same node, so the library may
// record a node that the host also holds through a reference of its own:
// the teardown gives back the library's references and leaves the host's.
TEST_F(Teardown, NodesTheHostAlsoHoldsStayTheHosts) {
    ASSERT_EQ(LoadXmlDocument(File("shared.xml", "<r><a>1</a></r>").c_str()), 1);
    IXMLDOMDocument* own = nullptr;  // a document of the host's own
    ASSERT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IXMLDOMDocument, reinterpret_cast<void**>(&own)),
              S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    BSTR xml = SysAllocString(L"<mine>2</mine>");
    own->loadXML(xml, &ok);
    SysFreeString(xml);
    IXMLDOMNode* mine = nullptr;  // selected by the host itself
    own->selectSingleNode(xml = SysAllocString(L"mine"), &mine);
    SysFreeString(xml);
    IXMLDOMNode* parent = nullptr;
    SelectXmlRootNode(L"r/a")->get_parentNode(&parent);  // the host's reference

    EXPECT_EQ(SelectXmlNode(own, L"/"), static_cast<IXMLDOMNode*>(own));
    EXPECT_EQ(SelectXmlNode(own, L"mine"), mine);
    EXPECT_EQ(SelectXmlRootNode(L"r"), parent);
    ReleaseNodeInterfaces();

    for (IXMLDOMNode* node : {mine, parent}) {  // still the host's: ASan reports a freed one
        BSTR text = nullptr;
        EXPECT_EQ(node->get_text(&text), S_OK);
        SysFreeString(text);
        EXPECT_EQ(node->Release(), 0u);
    }
    EXPECT_EQ(own->Release(), 0u);
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
