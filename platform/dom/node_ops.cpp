#include "node_ops.h"

#include <libxml/xmlsave.h>

#include <new>

#include <string>

#include "node_marks.h"
#include "node_text.h"
#include "tree_shape.h"
#include "text.h"
#include "query_engine.h"

namespace platform::dom {
namespace {

const char* Name(xmlNodePtr node) {
    return reinterpret_cast<const char*>(node->name);
}

bool IsDocument(xmlNodePtr node) {
    return node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
}

// Nodes whose kind has a name of its own in the DOM.
bool IsNamed(xmlNodePtr node) {
    switch (node->type) {
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE:
        case XML_PI_NODE:
        case XML_ENTITY_REF_NODE:
        case XML_ENTITY_DECL:
        case XML_DTD_NODE:
        case XML_NOTATION_NODE:
            return node->name != nullptr;
        default:
            return false;
    }
}

std::string QualifiedName(xmlNodePtr node) {
    std::string name;
    if ((node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) && node->ns &&
        node->ns->prefix) {
        name = reinterpret_cast<const char*>(node->ns->prefix);
        name += ':';
    }
    name += Name(node);
    return name;
}

const char* FixedName(xmlNodePtr node) {
    switch (node->type) {
        case XML_TEXT_NODE:
            return "#text";
        case XML_CDATA_SECTION_NODE:
            return "#cdata-section";
        case XML_COMMENT_NODE:
            return "#comment";
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
            return "#document";
        case XML_DOCUMENT_FRAG_NODE:
            return "#document-fragment";
        default:
            return "";
    }
}

// The node as XML text; attributes without the space that separates them
// from their element.
std::string Serialize(xmlNodePtr node) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (!buffer) throw std::bad_alloc();
    std::string xml;
    auto append = [&](xmlNodePtr part) {
        xmlBufferEmpty(buffer);
        xmlNodeDump(buffer, part->doc, part, 0, 0);
        xml.append(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                   static_cast<std::size_t>(xmlBufferLength(buffer)));
    };
    try {
        if (IsDocument(node)) {
            // The DOCTYPE, kept out of the children, goes before the root.
            auto doctype = reinterpret_cast<xmlNodePtr>(DetachedDoctype(node->doc));
            for (xmlNodePtr child = node->children; child; child = child->next) {
                if (doctype && child->type == XML_ELEMENT_NODE) {
                    if (!xml.empty()) xml += '\n';
                    append(doctype);
                    doctype = nullptr;
                }
                if (!xml.empty()) xml += '\n';
                append(child);
            }
        } else {
            append(node);
        }
    } catch (...) {
        xmlBufferFree(buffer);
        throw;
    }
    xmlBufferFree(buffer);
    if (node->type == XML_ATTRIBUTE_NODE && !xml.empty() && xml[0] == ' ') xml.erase(0, 1);
    return xml;
}

std::wstring_view QueryText(BSTR query) {
    return query ? std::wstring_view(query, SysStringLen(query)) : std::wstring_view();
}

}  // namespace

HRESULT WrapNode(const TreeRef& tree, xmlNodePtr node, IXMLDOMNode** out) {
    *out = nullptr;
    if (!node) return S_FALSE;
    IXMLDOMNode* existing = nullptr;
    if (IsDocument(node) && tree->Owner()) {
        existing = tree->Owner();
    } else {
        existing = NodeObjectOf(node);
    }
    if (existing) {
        existing->AddRef();
        *out = existing;
        return S_OK;
    }
    *out = NewNodeObject(tree, node);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NodeName(xmlNodePtr node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return ReturnBstr(MakeBstr(IsNamed(node) ? QualifiedName(node) : FixedName(node)), out);
}

HRESULT NodeType(xmlNodePtr node, DOMNodeType* out) {
    if (!out) return E_INVALIDARG;
    switch (node->type) {
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_ENTITY_REF_NODE:
        case XML_ENTITY_NODE:
        case XML_PI_NODE:
        case XML_COMMENT_NODE:
        case XML_DOCUMENT_NODE:
        case XML_DOCUMENT_TYPE_NODE:
        case XML_DOCUMENT_FRAG_NODE:
        case XML_NOTATION_NODE:
            *out = static_cast<DOMNodeType>(node->type);
            break;
        case XML_HTML_DOCUMENT_NODE:
            *out = NODE_DOCUMENT;
            break;
        case XML_DTD_NODE:
            *out = NODE_DOCUMENT_TYPE;
            break;
        case XML_ENTITY_DECL:
            *out = NODE_ENTITY;
            break;
        default:
            *out = NODE_INVALID;
            break;
    }
    return S_OK;
}

HRESULT ParentNode(const TreeRef& tree, xmlNodePtr node, IXMLDOMNode** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (node->type == XML_ATTRIBUTE_NODE || IsDocument(node)) return S_FALSE;
    return WrapNode(tree, node->parent, out);
}

HRESULT NodeText(xmlNodePtr node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return ReturnBstr(MakeBstr(TextOf(node)), out);
}

HRESULT NodeXml(xmlNodePtr node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return ReturnBstr(MakeBstr(Serialize(node)), out);
}

HRESULT BaseName(xmlNodePtr node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!IsNamed(node)) return S_FALSE;
    return ReturnBstr(MakeBstr(Name(node), std::char_traits<char>::length(Name(node))), out);
}

HRESULT SelectNodes(const TreeRef& tree, xmlNodePtr node, BSTR query, IXMLDOMNodeList** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    QueryEngine* queries = tree->Queries();
    if (!queries) return E_OUTOFMEMORY;
    std::vector<xmlNodePtr> nodes;
    if (!queries->SelectAll(node, QueryText(query), nodes)) return E_FAIL;
    return NewNodeList(tree, std::move(nodes), out);
}

HRESULT SelectSingleNode(const TreeRef& tree, xmlNodePtr node, BSTR query, IXMLDOMNode** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    QueryEngine* queries = tree->Queries();
    if (!queries) return E_OUTOFMEMORY;
    xmlNodePtr first = nullptr;
    if (!queries->SelectFirst(node, QueryText(query), first)) return E_FAIL;
    return WrapNode(tree, first, out);
}

}  // namespace platform::dom
