// The node operations shared by every object that is a node (elements,
// attributes, text, the document), and the way from a node of the tree to
// its one engine object.
#ifndef FLATDOM_ENGINE_COM_NODE_OPS_H
#define FLATDOM_ENGINE_COM_NODE_OPS_H

#include <flatdom/platform/msxml.h>

#include <vector>

#include "shared_tree.h"

namespace engine::com {

// The engine object of node with one reference for the caller: the same
// object for as long as one exists, the document object for the document
// node it shows. S_FALSE and null for no node. (In node.cpp, beside the node
// object it makes: the operations here need nothing of that object.)
HRESULT WrapNode(const TreeRef& tree, NodeId node, IXMLDOMNode** out);

// A new list over nodes in this order, with one reference for the caller.
HRESULT NewNodeList(const TreeRef& tree, std::vector<NodeId> nodes, IXMLDOMNodeList** out);

HRESULT NodeName(const TreeRef& tree, NodeId node, BSTR* out);
HRESULT NodeType(const TreeRef& tree, NodeId node, DOMNodeType* out);
HRESULT ParentNode(const TreeRef& tree, NodeId node, IXMLDOMNode** out);
HRESULT NodeText(const TreeRef& tree, NodeId node, BSTR* out);
HRESULT NodeXml(const TreeRef& tree, NodeId node, BSTR* out);
HRESULT BaseName(const TreeRef& tree, NodeId node, BSTR* out);
HRESULT SelectNodes(const TreeRef& tree, NodeId node, BSTR query, IXMLDOMNodeList** out);
HRESULT SelectSingleNode(const TreeRef& tree, NodeId node, BSTR query, IXMLDOMNode** out);
HRESULT ValueOf(const TreeRef& tree, NodeId node, BSTR expression, BSTR* out);

}  // namespace engine::com

#endif
