// The document tree as XPath sees it: an attribute's parent is its element,
// an element's string value joins the text and CDATA sections beneath it,
// and namespace nodes exist. Namespace nodes are made on demand, per element
// and per query run, with ids past the tree's last record; none of them is
// ever a query's result.
#ifndef FLATDOM_ENGINE_QUERY_TREE_VIEW_H
#define FLATDOM_ENGINE_QUERY_TREE_VIEW_H

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/tree/document_tree.h"

namespace engine::query {

using tree::kNoNode;
using tree::NodeId;
using tree::NodeKind;

class TreeView {
  public:
    explicit TreeView(const tree::DocumentTree& tree);

    // Forgets the namespace nodes of the last run.
    void Reset();
    // Namespace nodes made since the last Reset.
    std::uint64_t NamespaceNodesMade() const { return m_made; }

    const tree::DocumentTree& Tree() const { return m_tree; }
    bool IsNamespaceNode(NodeId id) const { return id > m_lastRecord; }

    NodeKind Kind(NodeId id) const {
        return IsNamespaceNode(id) ? NodeKind::kNamespace : m_tree.Kind(id);
    }
    // XPath's parent: attributes and namespace nodes have their element.
    NodeId Parent(NodeId id) const { return IsNamespaceNode(id) ? Owner(id) : m_tree.Parent(id); }
    // The element of a namespace node.
    NodeId Owner(NodeId id) const { return m_namespaces[id - m_lastRecord - 1].element; }
    // The first record after the node's descendants.
    NodeId SubtreeEnd(NodeId id) const;
    // The first record after an element's namespace and attribute records.
    NodeId AfterAttributes(NodeId element) const { return m_tree.LastAttributeRecord(element) + 1; }
    // Whether the node can have children: the document, elements, entity
    // references.
    bool HoldsChildren(NodeId id) const;

    // XPath's string value: the text of an element or the document joined
    // from the text and CDATA sections beneath it; a view into the tree or
    // into scratch.
    std::string_view StringValue(NodeId id, std::string& scratch) const;
    // name(), local-name() and namespace-uri(): qualified names of elements
    // and attributes, targets of processing instructions, names of entity
    // references, prefixes of namespace nodes; empty for the rest.
    std::string_view Name(NodeId id) const;
    std::string_view LocalName(NodeId id) const;
    std::string_view NamespaceUri(NodeId id) const;
    // A namespace node's prefix (empty for the default namespace) and URI.
    std::string_view NamespacePrefix(NodeId id) const;
    std::string_view NamespaceBound(NodeId id) const;

    // The namespace nodes of an element: ids first..last-1 (the same ids
    // each time within a run): the xml namespace, then the declarations in
    // scope, nearest first.
    void NamespaceNodes(NodeId element, NodeId& first, NodeId& last);

    // A key that orders nodes, namespace nodes included, in document order.
    std::uint64_t OrderKey(NodeId id) const;
    // Sorts into document order and drops repeats.
    void SortUnique(std::vector<NodeId>& nodes) const;

  private:
    struct NamespaceNode {
        NodeId element;
        NodeId declaration;  // kNoNode: the xml namespace, declared by none
    };

    const tree::DocumentTree& m_tree;
    NodeId m_lastRecord;
    std::vector<NamespaceNode> m_namespaces;
    std::unordered_map<NodeId, NodeId> m_namespacesOf;  // element to its first
    std::uint64_t m_made = 0;
};

}  // namespace engine::query

#endif
