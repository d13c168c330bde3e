// Engine tests talk to the XML DOM engine through its COM interfaces only,
// as any host of the engine does, and end by checking that no engine object
// is left alive.
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

    // loadXML into doc; true when it parsed.
    bool LoadXml(const std::wstring& xml) { return LoadXml(doc.get(), xml); }
    static bool LoadXml(IXMLDOMDocument* document, const std::wstring& xml) {
        Bstr text(xml);
        VARIANT_BOOL ok = 7;
        document->loadXML(text.get(), &ok);
        return ok == VARIANT_TRUE;
    }

    ComPtr<IXMLDOMNode> Select(const wchar_t* query) { return Select(doc.get(), query); }
    static ComPtr<IXMLDOMNode> Select(IXMLDOMNode* from, const wchar_t* query) {
        ComPtr<IXMLDOMNode> node;
        Bstr text(query);
        from->selectSingleNode(text.get(), node.Out());
        return node;
    }
    static ComPtr<IXMLDOMNodeList> SelectAll(IXMLDOMNode* from, const wchar_t* query) {
        ComPtr<IXMLDOMNodeList> list;
        Bstr text(query);
        from->selectNodes(text.get(), list.Out());
        return list;
    }
    static long Length(IXMLDOMNodeList* list) {
        long length = -1;
        list->get_length(&length);
        return length;
    }

    static std::wstring Text(IXMLDOMNode* node) {
        Bstr text;
        node->get_text(text.Out());
        return text.str();
    }
    static std::wstring Name(IXMLDOMNode* node) {
        Bstr name;
        node->get_nodeName(name.Out());
        return name.str();
    }
    static std::wstring BaseName(IXMLDOMNode* node) {
        Bstr name;
        node->get_baseName(name.Out());
        return name.str();
    }
    static std::wstring Xml(IXMLDOMNode* node) {
        Bstr xml;
        node->get_xml(xml.Out());
        return xml.str();
    }

    struct Error {
        long code = -1;
        long line = -1;
        long column = -1;
        std::wstring reason;
        std::wstring source;
    };
    static Error ParseErrorOf(IXMLDOMDocument* document) {
        Error error;
        ComPtr<IXMLDOMParseError> object;
        document->get_parseError(object.Out());
        if (!object) return error;
        object->get_errorCode(&error.code);
        object->get_line(&error.line);
        object->get_linepos(&error.column);
        Bstr reason;
        object->get_reason(reason.Out());
        error.reason = reason.str();
        Bstr source;
        object->get_srcText(source.Out());
        error.source = source.str();
        return error;
    }

    ComPtr<IXMLDOMDocument> doc;
};

#endif
