// The XML DOM engine's interfaces: the operations a host of the engine uses,
// with the names and signatures of the Windows engine.
//
// Results follow the Windows engine: an out-parameter carries one reference the
// caller takes over; "nothing found" is S_FALSE with a null result; a query
// that does not compile or does not select nodes is E_FAIL with a null result.
#ifndef FLATDOM_PLATFORM_MSXML_H
#define FLATDOM_PLATFORM_MSXML_H

#include "oleauto.h"

extern "C" {
FLATDOM_PLATFORM_API extern const CLSID
    CLSID_DOMDocument;                                  // {2933BF90-7B36-11D2-B20E-00C04F983E60}
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMNode;  // {2933BF80-7B36-11D2-B20E-00C04F983E60}
FLATDOM_PLATFORM_API extern const IID
    IID_IXMLDOMDocument;  // {2933BF81-7B36-11D2-B20E-00C04F983E60}
FLATDOM_PLATFORM_API extern const IID
    IID_IXMLDOMDocument2;  // {2933BF95-7B36-11D2-B20E-00C04F983E60}
FLATDOM_PLATFORM_API extern const IID
    IID_IXMLDOMNodeList;  // {2933BF82-7B36-11D2-B20E-00C04F983E60}
FLATDOM_PLATFORM_API extern const IID
    IID_IXMLDOMParseError;  // {3EFAA426-272F-11D2-836F-0000F87A7782}
}

enum DOMNodeType {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12,
};

struct IXMLDOMNodeList;
struct IXMLDOMParseError;

struct IXMLDOMNode : public IUnknown {
    // Qualified name; "#text", "#comment", "#cdata-section", "#document" for
    // nodes without one.
    virtual HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_nodeType(DOMNodeType* type) = 0;
    // The parent; S_FALSE and null for the document and for attributes.
    virtual HRESULT STDMETHODCALLTYPE get_parentNode(IXMLDOMNode** parent) = 0;
    // The string value (descendant text for elements and the document) with
    // leading and trailing XML white space removed.
    virtual HRESULT STDMETHODCALLTYPE get_text(BSTR* text) = 0;
    // The node and its descendants as XML text.
    virtual HRESULT STDMETHODCALLTYPE get_xml(BSTR* xml) = 0;
    // The nodes the query selects from this node, in document order; the list
    // may be empty. Queries are in the pattern language of the Windows engine
    // (names match as written in the document, prefix included; a number in
    // brackets is a 0-based index) unless the document's SelectionLanguage is
    // "XPath": then XPath 1.0, where prefixes resolve against the document's
    // SelectionNamespaces and the declarations in scope at this node.
    virtual HRESULT STDMETHODCALLTYPE selectNodes(BSTR queryString,
                                                  IXMLDOMNodeList** resultList) = 0;
    // The first node in document order that the query selects.
    virtual HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR queryString,
                                                       IXMLDOMNode** resultNode) = 0;
    // The local name without prefix; S_FALSE and null for nodes without a
    // name (text, CDATA, comments, the document).
    virtual HRESULT STDMETHODCALLTYPE get_baseName(BSTR* nameString) = 0;

  protected:
    ~IXMLDOMNode() = default;
};

struct IXMLDOMNodeList : public IUnknown {
    // The node at a 0-based index; S_FALSE and null outside the list.
    virtual HRESULT STDMETHODCALLTYPE get_item(long index, IXMLDOMNode** listItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_length(long* listLength) = 0;
    // The node at the iteration cursor, which then moves on; S_FALSE and null
    // past the end.
    virtual HRESULT STDMETHODCALLTYPE nextNode(IXMLDOMNode** nextItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE reset() = 0;

  protected:
    ~IXMLDOMNodeList() = default;
};

struct IXMLDOMParseError : public IUnknown {
    // 0 when the last load succeeded; a failure HRESULT otherwise.
    virtual HRESULT STDMETHODCALLTYPE get_errorCode(long* errorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_reason(BSTR* reasonString) = 0;
    // The source line of the error, as far as it is known.
    virtual HRESULT STDMETHODCALLTYPE get_srcText(BSTR* sourceString) = 0;
    // 1-based line and column of the error; 0 when there is no position.
    virtual HRESULT STDMETHODCALLTYPE get_line(long* lineNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_linepos(long* linePosition) = 0;

  protected:
    ~IXMLDOMParseError() = default;
};

struct IXMLDOMDocument : public IXMLDOMNode {
    // The error of the last load; before any load, one saying that the
    // document received no input.
    virtual HRESULT STDMETHODCALLTYPE get_parseError(IXMLDOMParseError** errorObj) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_async(VARIANT_BOOL* isAsync) = 0;
    // Loading is always finished when load and loadXML return.
    virtual HRESULT STDMETHODCALLTYPE put_async(VARIANT_BOOL isAsync) = 0;
    // Source: VT_UNKNOWN answering IStream (read until it answers S_FALSE or
    // 0 bytes) or VT_BSTR naming a local file; or VT_ERROR for a file that
    // could not be read, whose code carries why (common/unreadable_source.h),
    // which becomes the parse error. *isSuccessful is VARIANT_TRUE when the
    // document parsed; a failed load leaves the document empty.
    virtual HRESULT STDMETHODCALLTYPE load(VARIANT xmlSource, VARIANT_BOOL* isSuccessful) = 0;
    // Parses an OLE string (its whole length); a declared encoding is ignored.
    virtual HRESULT STDMETHODCALLTYPE loadXML(BSTR bstrXML, VARIANT_BOOL* isSuccessful) = 0;

  protected:
    ~IXMLDOMDocument() = default;
};

// The document's selection properties, as the Windows engine offers them:
// - "SelectionLanguage": "XSLPattern" (the default) or "XPath"; once XPath,
//   it stays XPath (E_FAIL for going back);
// - "SelectionNamespaces": prefix bindings for queries, written
//   "xmlns:a='urn:a' xmlns:b='urn:b'" (E_FAIL, nothing changed, for anything
//   else); "" by default.
// Names are compared without regard to case; E_FAIL for any other property.
// Values are OLE strings (VT_BSTR); getProperty gives the caller a new one.
// The properties stay with the document across loads and apply to its nodes.
struct IXMLDOMDocument2 : public IXMLDOMDocument {
    virtual HRESULT STDMETHODCALLTYPE setProperty(BSTR name, VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE getProperty(BSTR name, VARIANT* value) = 0;

  protected:
    ~IXMLDOMDocument2() = default;
};

extern "C" {
// Engine objects (documents, nodes, lists, parse errors) alive in the process;
// a test can assert that a cycle left none behind.
FLATDOM_PLATFORM_API long DomEngineLiveObjects();
}

#endif
