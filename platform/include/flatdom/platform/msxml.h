/// \file
/// The XML DOM engine's interfaces on Linux: the methods a host of the engine
/// has there, a few of those the Windows engine offers, with their names and
/// signatures (and one of flatdom's own, IFlatdomValueOf). flatdom.h includes
/// it; on Windows the system's <msxml.h> takes its place.
///
/// Results follow the Windows engine: an out-parameter carries one reference
/// the caller takes over, or a new OLE string that the caller frees with
/// SysFreeString(); "nothing found" is S_FALSE with a null result; a query
/// that does not compile or does not select nodes is E_FAIL with a null
/// result; a null out-parameter is E_INVALIDARG.
#ifndef FLATDOM_PLATFORM_MSXML_H
#define FLATDOM_PLATFORM_MSXML_H

#include "oleauto.h"

extern "C" {
/// The document class, {2933BF90-7B36-11D2-B20E-00C04F983E60}: CoCreateInstance()
/// makes an IXMLDOMDocument2 of it.
FLATDOM_PLATFORM_API extern const CLSID CLSID_DOMDocument;
/// IXMLDOMNode, {2933BF80-7B36-11D2-B20E-00C04F983E60}.
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMNode;
/// IXMLDOMDocument, {2933BF81-7B36-11D2-B20E-00C04F983E60}.
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMDocument;
/// IXMLDOMDocument2, {2933BF95-7B36-11D2-B20E-00C04F983E60}.
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMDocument2;
/// IXMLDOMNodeList, {2933BF82-7B36-11D2-B20E-00C04F983E60}.
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMNodeList;
/// IXMLDOMParseError, {3EFAA426-272F-11D2-836F-0000F87A7782}.
FLATDOM_PLATFORM_API extern const IID IID_IXMLDOMParseError;
/// IFlatdomValueOf, {2CC4786A-439D-4259-9004-0A0A3D75DA65}: Linux's engine only.
FLATDOM_PLATFORM_API extern const IID IID_IFlatdomValueOf;
}

/// A node's kind, as get_nodeType() gives it; the values are Windows's.
enum DOMNodeType {
    NODE_INVALID = 0,                 ///< no node (also a namespace node of XPath)
    NODE_ELEMENT = 1,                 ///< an element
    NODE_ATTRIBUTE = 2,               ///< an attribute
    NODE_TEXT = 3,                    ///< text
    NODE_CDATA_SECTION = 4,           ///< a CDATA section
    NODE_ENTITY_REFERENCE = 5,        ///< a reference to an internal entity
    NODE_ENTITY = 6,                  ///< an entity (never in the tree)
    NODE_PROCESSING_INSTRUCTION = 7,  ///< a processing instruction, the XML declaration too
    NODE_COMMENT = 8,                 ///< a comment
    NODE_DOCUMENT = 9,                ///< the document
    NODE_DOCUMENT_TYPE = 10,          ///< a DOCTYPE (never in the tree)
    NODE_DOCUMENT_FRAGMENT = 11,      ///< a fragment (never in the tree)
    NODE_NOTATION = 12,               ///< a notation (never in the tree)
};

struct IXMLDOMNodeList;
struct IXMLDOMParseError;

/// A node of the document (the document itself too): its name, kind, text
/// and XML text, its parent, and queries from it. Of the Windows engine's
/// node methods Linux has these; children, attributes and the element
/// interfaces are not there.
struct IXMLDOMNode : public IUnknown {
    /// The node's name as written, prefix included.
    /// \param name the name; "#text", "#comment", "#cdata-section" or
    ///             "#document" for a node without one.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* name) = 0;
    /// The node's kind.
    /// \param type the kind.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_nodeType(DOMNodeType* type) = 0;
    /// The node's parent.
    /// \param parent the parent, with a reference for the caller.
    /// \return S_OK; S_FALSE and null for the document and for attributes.
    virtual HRESULT STDMETHODCALLTYPE get_parentNode(IXMLDOMNode** parent) = 0;
    /// The node's string value (for elements and the document, the text they
    /// hold), without white space at either end.
    /// \param text the text.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_text(BSTR* text) = 0;
    /// The node and all it holds as XML text.
    /// \param xml the text.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_xml(BSTR* xml) = 0;
    /// The nodes a query selects from this node, in document order. Queries
    /// are in the pattern language of the Windows engine (names match as
    /// written, prefix included; a number in brackets is a 0-based index)
    /// unless the document's SelectionLanguage is "XPath": then XPath 1.0,
    /// where prefixes resolve against the document's SelectionNamespaces and
    /// the declarations in scope at this node.
    /// \param queryString the query.
    /// \param resultList the list, maybe empty, with a reference for the caller.
    /// \return S_OK; E_FAIL and null for a query that is not valid or selects
    ///         no nodes (a number, a string, a boolean).
    virtual HRESULT STDMETHODCALLTYPE selectNodes(BSTR queryString,
                                                  IXMLDOMNodeList** resultList) = 0;
    /// The first node in document order that a query selects from this node.
    /// \param queryString the query, as selectNodes() reads it.
    /// \param resultNode the node, with a reference for the caller.
    /// \return S_OK; S_FALSE and null when the query selects nothing; E_FAIL
    ///         as selectNodes().
    virtual HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR queryString,
                                                       IXMLDOMNode** resultNode) = 0;
    /// The node's name without its prefix.
    /// \param nameString the name.
    /// \return S_OK; S_FALSE and null for a node without a name (text, CDATA,
    ///         comments, the document).
    virtual HRESULT STDMETHODCALLTYPE get_baseName(BSTR* nameString) = 0;

  protected:
    /// Released through Release() only.
    ~IXMLDOMNode() = default;
};

/// The nodes a query selected, in document order.
struct IXMLDOMNodeList : public IUnknown {
    /// The node at a position.
    /// \param index a 0-based index.
    /// \param listItem the node, with a reference for the caller.
    /// \return S_OK; S_FALSE and null outside the list.
    virtual HRESULT STDMETHODCALLTYPE get_item(long index, IXMLDOMNode** listItem) = 0;
    /// How many nodes the list holds.
    /// \param listLength the count.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_length(long* listLength) = 0;
    /// The node at the iteration cursor, which then moves on.
    /// \param nextItem the node, with a reference for the caller.
    /// \return S_OK; S_FALSE and null past the end.
    virtual HRESULT STDMETHODCALLTYPE nextNode(IXMLDOMNode** nextItem) = 0;
    /// Moves the iteration cursor back to the first node.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE reset() = 0;

  protected:
    /// Released through Release() only.
    ~IXMLDOMNodeList() = default;
};

/// Why a document's last load failed.
struct IXMLDOMParseError : public IUnknown {
    /// The error's code.
    /// \param errorCode 0 when the last load succeeded; a failure HRESULT
    ///                  otherwise.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_errorCode(long* errorCode) = 0;
    /// Why, in words (libxml2's, on Linux).
    /// \param reasonString the reason.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_reason(BSTR* reasonString) = 0;
    /// The source line of the error, as far as it is known.
    /// \param sourceString the line.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_srcText(BSTR* sourceString) = 0;
    /// The line of the error.
    /// \param lineNumber 1-based; 0 when there is no position.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_line(long* lineNumber) = 0;
    /// The column of the error.
    /// \param linePosition 1-based; 0 when there is no position.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_linepos(long* linePosition) = 0;

  protected:
    /// Released through Release() only.
    ~IXMLDOMParseError() = default;
};

/// The document: a node that loads.
struct IXMLDOMDocument : public IXMLDOMNode {
    /// The error of the last load.
    /// \param errorObj the error, with a reference for the caller; before any
    ///                 load, one saying that the document received no input.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_parseError(IXMLDOMParseError** errorObj) = 0;
    /// Whether loading is asynchronous, as put_async() last set it.
    /// \param isAsync the setting (VARIANT_TRUE at first).
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE get_async(VARIANT_BOOL* isAsync) = 0;
    /// Kept for get_async(): loading is always finished when load() and
    /// loadXML() return.
    /// \param isAsync the setting.
    /// \return S_OK.
    virtual HRESULT STDMETHODCALLTYPE put_async(VARIANT_BOOL isAsync) = 0;
    /// Loads a document; a failed load leaves the document empty.
    /// \param xmlSource VT_UNKNOWN answering IStream (read until it answers
    ///                  S_FALSE or 0 bytes) or VT_BSTR naming a local file;
    ///                  or VT_ERROR for a file that could not be read, whose
    ///                  code carries why, which becomes the parse error.
    /// \param isSuccessful VARIANT_TRUE when the document parsed.
    /// \return S_OK when it parsed; S_FALSE when it did not (get_parseError()
    ///         says why); E_INVALIDARG for any other source.
    virtual HRESULT STDMETHODCALLTYPE load(VARIANT xmlSource, VARIANT_BOOL* isSuccessful) = 0;
    /// Parses an OLE string, its whole length; a declared encoding is ignored.
    /// \param bstrXML the document's text.
    /// \param isSuccessful VARIANT_TRUE when the document parsed.
    /// \return S_OK when it parsed; S_FALSE when it did not.
    virtual HRESULT STDMETHODCALLTYPE loadXML(BSTR bstrXML, VARIANT_BOOL* isSuccessful) = 0;

  protected:
    /// Released through Release() only.
    ~IXMLDOMDocument() = default;
};

/// The document with its selection properties, as the Windows engine has them.
///
/// - "SelectionLanguage": "XSLPattern" (the default) or "XPath"; once XPath,
///   it stays XPath (E_FAIL for going back);
/// - "SelectionNamespaces": prefix bindings for queries, written
///   "xmlns:a='urn:a' xmlns:b='urn:b'" (E_FAIL, nothing changed, for anything
///   else); "" by default.
///
/// Names are compared without regard to case. The properties stay with the
/// document across loads and apply to its nodes.
struct IXMLDOMDocument2 : public IXMLDOMDocument {
    /// Sets a property.
    /// \param name the property's name.
    /// \param value its value, an OLE string (VT_BSTR); it stays the caller's.
    /// \return S_OK; E_FAIL, nothing changed, for another property or a value
    ///         it does not take.
    virtual HRESULT STDMETHODCALLTYPE setProperty(BSTR name, VARIANT value) = 0;
    /// Reads a property.
    /// \param name the property's name.
    /// \param value its value, a new OLE string (VT_BSTR), the caller's.
    /// \return S_OK; E_FAIL for another property.
    virtual HRESULT STDMETHODCALLTYPE getProperty(BSTR name, VARIANT* value) = 0;

  protected:
    /// Released through Release() only.
    ~IXMLDOMDocument2() = default;
};

/// flatdom's own: the value of an expression, which selectNodes() refuses
/// when it gives no nodes. Linux's engine alone has it, on the document
/// object (QueryInterface() with IID_IFlatdomValueOf); on Windows XSLT's
/// `xsl:value-of`, run by the node's transformNode, gives the same text.
struct IFlatdomValueOf : public IUnknown {
    /// The value of expression from the document node, as text: a number, a
    /// string or a boolean as XPath's string() writes it (`count(//item)`
    /// gives "2", `1 div 0` "Infinity"), a node-set as its first node's
    /// string value. The expression is read as selectNodes reads a
    /// query, in the document's SelectionLanguage with its
    /// SelectionNamespaces.
    /// \param expression the expression.
    /// \param value the text, the caller's (a new OLE string); null on
    ///              failure.
    /// \return S_OK; E_FAIL for an expression that is not valid or cannot
    ///         run (a prefix nothing binds); E_INVALIDARG for a null value.
    virtual HRESULT STDMETHODCALLTYPE valueOf(BSTR expression, BSTR* value) = 0;

  protected:
    /// Released through Release() only.
    ~IFlatdomValueOf() = default;
};

extern "C" {
/// The engine's objects alive in the process (documents, nodes, lists, parse
/// errors), so that a test can assert that a cycle left none behind.
/// \return the count.
FLATDOM_PLATFORM_API long DomEngineLiveObjects();
}

#endif
