// Loading, selecting, reading and releasing documents.
#include <filesystem>
#include <thread>

#include "host/host_test.h"

namespace {

const char kCatalogue[] =
    "<?xml version=\"1.0\"?>\n"
    "<catalogue xmlns:p=\"urn:price\">\n"
    "  <item code=\"0x1F\"><name>Lamp</name><count>12</count><p:price>9.75</p:price></item>\n"
    "  <item code=\"20\"><name>Desk</name><count>3</count><p:price>120.5</p:price></item>\n"
    "  <values><t>26</t><t>0x1A</t><t>0X1a</t><t>1A</t><t>0</t><t>0x</t><t>-5</t>"
    "<t>3.5</t><t>3,5</t><t></t></values>\n"
    "</catalogue>\n";

class Document : public HostTest {
  protected:
    void SetUp() override { path = File("catalogue.xml", kCatalogue); }
    std::wstring path;
};

// Sealed and bad files: reports_and_keys_test.cpp.
TEST_F(Document, LoadsPlainFiles) {
    EXPECT_EQ(LoadXmlDocument((L"file:" + path).c_str()), 1);
    EXPECT_NE(SelectXmlRootNode(L"catalogue"), nullptr);
    ReleaseNodeInterfaces();
    EXPECT_EQ(LoadXmlDocument(nullptr), 0);
}

TEST_F(Document, SelectsRootNodesListsAndItems) {
    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    IXMLDOMNode* root = SelectXmlRootNode(L"catalogue");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(SelectXmlRootNode(L"catalogue/nothing"), nullptr);
    IXMLDOMNodeList* items = SelectXmlNodes(root, L"item");
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(Text(SelectXmlNode(SelectXmlNodeFromList(items, 1), L"name")), L"Desk");
    EXPECT_EQ(SelectXmlNodeFromList(items, 2), nullptr);
    EXPECT_EQ(SelectXmlNodeFromList(items, -1), nullptr);
    IXMLDOMNodeList* none = SelectXmlNodes(root, L"nothing");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(SelectXmlNodeFromList(none, 0), nullptr);
    EXPECT_NE(SelectXmlNode(root, L"item[@code='20']/count"), nullptr);
    EXPECT_NE(SelectXmlRootNode(L"/"), nullptr);  // the document itself
    EXPECT_EQ(SelectXmlNodes(nullptr, L"item"), nullptr);
    EXPECT_EQ(SelectXmlNodeFromList(nullptr, 0), nullptr);
}

TEST_F(Document, ReadsTextNamesAndNumbers) {
    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    IXMLDOMNode* lamp = SelectXmlRootNode(L"catalogue/item");
    EXPECT_EQ(Text(SelectXmlNode(lamp, L"name")), L"Lamp");
    EXPECT_EQ(GetXmlNumber_Hex_or_Dec(SelectXmlNode(lamp, L"@code")), 31);
    EXPECT_EQ(GetXmlFloat(SelectXmlNode(lamp, L"p:price")), 9.75);
    EXPECT_STREQ(GetBaseNodeName(SelectXmlNode(lamp, L"p:price")), L"price");
    const struct {
        long number;
        long hex;
        double real;
    } rows[] = {{26, 38, 26}, {26, 26, 26},  {26, 26, 26},  {1, 26, 1},  {0, 0, 0},
                {0, 0, 0},    {-5, -43, -5}, {3, 741, 3.5}, {3, 709, 3}, {0, 0, 0}};
    IXMLDOMNodeList* values = SelectXmlNodes(SelectXmlRootNode(L"catalogue/values"), L"t");
    for (long i = 0; i < 10; ++i) {
        IXMLDOMNode* t = SelectXmlNodeFromList(values, i);
        ASSERT_NE(t, nullptr) << i;
        EXPECT_EQ(GetXmlNumber(t), rows[i].number) << i;
        EXPECT_EQ(GetXmlNumber_Hex_or_Dec(t), rows[i].number) << i;
        EXPECT_EQ(GetXmlHexNumber(t), rows[i].hex) << i;
        const double real = GetXmlFloat(t);
#if defined(_WIN32)
        // GetXmlFloat is the C runtime's wcstod. glibc's and Wine's read C99
        // hexadecimal text ("0x1A" is 26); Microsoft's msvcrt.dll may stop
        // at the x, so there either answer passes.
        if ((i == 1 || i == 2) && real == 0) continue;
#endif
        EXPECT_EQ(real, rows[i].real) << i;
    }
    EXPECT_STREQ(GetXmlText(SelectXmlNodeFromList(values, 9)), L"");  // empty, not null
    // A reader's text is no OLE string, yet hosts pass it on as one.
    EXPECT_EQ(BSTRToCString(GetXmlText(SelectXmlNode(lamp, L"name"))), L"Lamp");
    EXPECT_EQ(GetXmlText(nullptr), nullptr);
    EXPECT_EQ(GetBaseNodeName(nullptr), nullptr);
    EXPECT_EQ(GetXmlNumber(nullptr), 0);
    EXPECT_EQ(GetXmlHexNumber(nullptr), 0);
    EXPECT_EQ(GetXmlFloat(nullptr), 0.0);
}

TEST_F(Document, ReleaseClosesTheFileAndForgetsTheDocument) {
    EXPECT_EQ(InitDOM(), 1);
    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    IXMLDOMNodeList* items = SelectXmlNodes(SelectXmlRootNode(L"catalogue"), L"item");
    ReleaseDOM();  // does nothing: the nodes stay usable
    EXPECT_EQ(Text(SelectXmlNode(SelectXmlNodeFromList(items, 0), L"name")), L"Lamp");
    ReleaseNodeInterfaces();
    EXPECT_EQ(SelectXmlRootNode(L"catalogue"), nullptr);
    ReleaseNodeInterfaces();  // again: nothing to release, nothing breaks
    // The file was closed by the release: it can go (Windows refuses an open one).
    EXPECT_TRUE(std::filesystem::remove(std::filesystem::path(path)));
}

// A query of white space only selects nothing and fails as one the engine
// refuses: Wine's engine dereferences null on it.
TEST_F(Document, BlankQueriesAreRefused) {
    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    IXMLDOMNode* root = SelectXmlRootNode(L"catalogue");
    ASSERT_NE(root, nullptr);
    for (const wchar_t* blank : {static_cast<const wchar_t*>(nullptr), L"", L" ", L"\t\r\n "}) {
        EXPECT_EQ(SelectXmlRootNode(blank), nullptr);
        EXPECT_EQ(SelectXmlNode(root, blank), nullptr);
        EXPECT_EQ(SelectXmlNodes(root, blank), nullptr);
    }
    EXPECT_NE(SelectXmlNode(root, L" item "), nullptr);
}

// What the host took from the engine itself stays the host's: here the
// document, as the root's parent.
TEST_F(Document, TheHostsOwnReferencesOutliveTheRelease) {
    ASSERT_EQ(LoadXmlDocument(path.c_str()), 1);
    IXMLDOMNode* document = nullptr;
    ASSERT_EQ(SelectXmlRootNode(L"catalogue")->get_parentNode(&document), S_OK);
    ReleaseNodeInterfaces();
    BSTR xml = nullptr;
    EXPECT_EQ(document->get_xml(&xml), S_OK);
    EXPECT_NE(std::wstring(xml ? xml : L"").find(L"<name>Desk</name>"), std::wstring::npos);
    SysFreeString(xml);
    EXPECT_EQ(document->Release(), 0u);
}

// The library leaves COM as many times as it entered it, and no more: a host
// that entered an apartment of either kind keeps it.
TEST_F(Document, TheHostsApartmentSurvivesTheLibrary) {
    for (const DWORD model : {COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED}) {
        std::thread([&] {
            ASSERT_EQ(CoInitializeEx(nullptr, model), S_OK);
            ReleaseNodeInterfaces();  // nothing loaded
            EXPECT_EQ(LoadXmlDocument(path.c_str()), 1) << model;
            EXPECT_EQ(Text(SelectXmlRootNode(L"catalogue/item/name")), L"Lamp");
            ReleaseNodeInterfaces();
            IXMLDOMDocument* own = nullptr;
            EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IXMLDOMDocument, reinterpret_cast<void**>(&own)),
                      S_OK)
                << model;
            if (own) own->Release();
            CoUninitialize();
        }).join();
    }
}

}  // namespace
