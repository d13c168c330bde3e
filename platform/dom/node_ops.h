// The node operations shared by every object that is a node (elements,
// attributes, text, the document), and the way from a libxml2 node to its
// one engine object.
#ifndef FLATDOM_PLATFORM_DOM_NODE_OPS_H
#define FLATDOM_PLATFORM_DOM_NODE_OPS_H

#include <flatdom/platform/msxml.h>

#include <vector>

#include "tree.h"

namespace platform::dom {

// The engine object of node with one reference for the caller: the same
// object for as long as one exists, the document object for the document
// node it shows. S_FALSE and null for a null node.
HRESULT WrapNode(const TreeRef& tree, xmlNodePtr node, IXMLDOMNode** out);

// A new node object; made only by WrapNode.
IXMLDOMNode* NewNodeObject(const TreeRef& tree, xmlNodePtr node);
// A new list over nodes in this order, with one reference for the caller.
HRESULT NewNodeList(const TreeRef& tree, std::vector<xmlNodePtr> nodes, IXMLDOMNodeList** out);

HRESULT NodeName(xmlNodePtr node, BSTR* out);
HRESULT NodeType(xmlNodePtr node, DOMNodeType* out);
HRESULT ParentNode(const TreeRef& tree, xmlNodePtr node, IXMLDOMNode** out);
HRESULT NodeText(xmlNodePtr node, BSTR* out);
HRESULT NodeXml(xmlNodePtr node, BSTR* out);
HRESULT BaseName(xmlNodePtr node, BSTR* out);
HRESULT SelectNodes(const TreeRef& tree, xmlNodePtr node, BSTR query, IXMLDOMNodeList** out);
HRESULT SelectSingleNode(const TreeRef& tree, xmlNodePtr node, BSTR query, IXMLDOMNode** out);

}  // namespace platform::dom

#endif
