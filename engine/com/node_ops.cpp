#include "node_ops.h"

#include <string>
#include <string_view>

#include "engine/query/query_engine.h"
#include "engine/tree/node_text.h"
#include "engine/tree/xml_writer.h"
#include "text.h"

namespace engine::com {
namespace {

using tree::NodeKind;

// Nodes whose kind has a name of its own in the DOM.
bool IsNamed(NodeKind kind) {
    return kind == NodeKind::kElement || kind == NodeKind::kAttribute ||
           kind == NodeKind::kProcessingInstruction || kind == NodeKind::kEntityReference;
}

const char* FixedName(NodeKind kind) {
    switch (kind) {
        case NodeKind::kText:
            return "#text";
        case NodeKind::kCdata:
            return "#cdata-section";
        case NodeKind::kComment:
            return "#comment";
        case NodeKind::kDocument:
            return "#document";
        default:
            return "";
    }
}

std::wstring_view QueryText(BSTR query) {
    return query ? std::wstring_view(query, SysStringLen(query)) : std::wstring_view();
}

}  // namespace

HRESULT NodeName(const TreeRef& tree, NodeId node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    const tree::DocumentTree& t = tree->Tree();
    const NodeKind kind = t.Kind(node);
    return ReturnBstr(IsNamed(kind) ? MakeBstr(t.Name(node)) : MakeBstr(FixedName(kind)), out);
}

HRESULT NodeType(const TreeRef& tree, NodeId node, DOMNodeType* out) {
    if (!out) return E_INVALIDARG;
    const NodeKind kind = tree->Tree().Kind(node);
    *out = kind == NodeKind::kNamespace ? NODE_INVALID : static_cast<DOMNodeType>(kind);
    return S_OK;
}

HRESULT ParentNode(const TreeRef& tree, NodeId node, IXMLDOMNode** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    const NodeKind kind = tree->Tree().Kind(node);
    if (kind == NodeKind::kAttribute || kind == NodeKind::kDocument) return S_FALSE;
    return WrapNode(tree, tree->Tree().Parent(node), out);
}

HRESULT NodeText(const TreeRef& tree, NodeId node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return ReturnBstr(MakeBstr(tree::TextOf(tree->Tree(), node)), out);
}

HRESULT NodeXml(const TreeRef& tree, NodeId node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return ReturnBstr(MakeBstr(tree::XmlOf(tree->Tree(), node)), out);
}

HRESULT BaseName(const TreeRef& tree, NodeId node, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    const tree::DocumentTree& t = tree->Tree();
    const NodeKind kind = t.Kind(node);
    if (!IsNamed(kind)) return S_FALSE;
    const bool qualified = kind == NodeKind::kElement || kind == NodeKind::kAttribute;
    return ReturnBstr(MakeBstr(qualified ? t.LocalName(node) : t.Name(node)), out);
}

HRESULT SelectNodes(const TreeRef& tree, NodeId node, BSTR query, IXMLDOMNodeList** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    std::vector<NodeId> nodes;
    if (!tree->Queries().SelectAll(node, QueryText(query), nodes)) return E_FAIL;
    return NewNodeList(tree, std::move(nodes), out);
}

HRESULT SelectSingleNode(const TreeRef& tree, NodeId node, BSTR query, IXMLDOMNode** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    NodeId first = tree::kNoNode;
    if (!tree->Queries().SelectFirst(node, QueryText(query), first)) return E_FAIL;
    return WrapNode(tree, first, out);
}

HRESULT ValueOf(const TreeRef& tree, NodeId node, BSTR expression, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    std::string value;
    if (!tree->Queries().Value(node, QueryText(expression), value)) return E_FAIL;
    return ReturnBstr(MakeBstr(value), out);
}

}  // namespace engine::com
