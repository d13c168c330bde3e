// Engine tests talk to the XML DOM engine through its COM interfaces only, as
// any host of the engine does, and end by checking that no engine object is
// left alive.
#ifndef FLATDOM_TESTS_ENGINE_ENGINE_FIXTURE_H
#define FLATDOM_TESTS_ENGINE_ENGINE_FIXTURE_H

#include <gtest/gtest.h>

#include <flatdom/system.h>

#include <string>

#include "support/bstr.h"
#include "support/com_ptr.h"

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        doc = NewDocument();
        ASSERT_TRUE(doc);
    }
    void TearDown() override {
        doc.Reset();
        EXPECT_EQ(DomEngineLiveObjects(), 0) << "an engine object was left alive";
        CoUninitialize();
    }

    static ComPtr<IXMLDOMDocument> NewDocument() {
        ComPtr<IXMLDOMDocument> document;
        CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IXMLDOMDocument, reinterpret_cast<void**>(document.Out()));
        return document;
    }
    // loadXML; true when it parsed.
    static bool LoadXml(IXMLDOMDocument* document, const std::wstring& xml) {
        VARIANT_BOOL ok = 7;
        document->loadXML(Bstr(xml).get(), &ok);
        return ok == VARIANT_TRUE;
    }
    bool LoadXml(const std::wstring& xml) { return LoadXml(doc.get(), xml); }

    // Sets a property through IXMLDOMDocument2; its result.
    static HRESULT SetProperty(IXMLDOMDocument* document, const wchar_t* name,
                               const std::wstring& value) {
        ComPtr<IXMLDOMDocument2> document2;
        if (FAILED(document->QueryInterface(IID_IXMLDOMDocument2,
                                            reinterpret_cast<void**>(document2.Out())))) {
            return E_NOINTERFACE;
        }
        Bstr text(value);
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = VT_BSTR;
        variant.bstrVal = text.get();
        return document2->setProperty(Bstr(name).get(), variant);
    }
    // Queries in XPath 1.0 from now on.
    void UseXPath() { ASSERT_EQ(SetProperty(doc.get(), L"SelectionLanguage", L"XPath"), S_OK); }

    static ComPtr<IXMLDOMNode> Select(IXMLDOMNode* from, const std::wstring& query) {
        ComPtr<IXMLDOMNode> node;
        from->selectSingleNode(Bstr(query).get(), node.Out());
        return node;
    }
    ComPtr<IXMLDOMNode> Select(const std::wstring& query) { return Select(doc.get(), query); }
    static ComPtr<IXMLDOMNodeList> SelectAll(IXMLDOMNode* from, const std::wstring& query) {
        ComPtr<IXMLDOMNodeList> list;
        from->selectNodes(Bstr(query).get(), list.Out());
        return list;
    }
    static long Length(IXMLDOMNodeList* list) {
        long length = -1;
        list->get_length(&length);
        return length;
    }

    // What the query selects from node: "name=text" for each node, or
    // "error" when the engine refuses the query.
    static std::wstring Selected(IXMLDOMNode* from, const std::wstring& query) {
        ComPtr<IXMLDOMNodeList> list = SelectAll(from, query);
        if (!list) return L"error";
        std::wstring answer;
        for (long i = 0; i < Length(list.get()); ++i) {
            ComPtr<IXMLDOMNode> node;
            list->get_item(i, node.Out());
            answer += (i ? L" " : L"") + Name(node.get()) + L"=" + Text(node.get());
        }
        return answer;
    }

    // A string property of an engine object, "(null)" when it gives none.
    template <class Object>
    static std::wstring Get(Object* object, HRESULT (STDMETHODCALLTYPE Object::*get)(BSTR*)) {
        Bstr value;
        (object->*get)(value.Out());
        return value.str();
    }
    static std::wstring Text(IXMLDOMNode* n) { return Get(n, &IXMLDOMNode::get_text); }
    static std::wstring Name(IXMLDOMNode* n) { return Get(n, &IXMLDOMNode::get_nodeName); }
    static std::wstring BaseName(IXMLDOMNode* n) { return Get(n, &IXMLDOMNode::get_baseName); }
    static std::wstring Xml(IXMLDOMNode* n) { return Get(n, &IXMLDOMNode::get_xml); }

    ComPtr<IXMLDOMDocument> doc;
};

#endif
