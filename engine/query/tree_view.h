// The document tree as XPath sees it: an attribute's parent is its element,
// an element's string value joins the text and CDATA sections beneath it,
// and namespace nodes exist. Namespace nodes are made one at a time, as an
// element's namespace axis reaches them, with ids past the tree's last
// record; those that a predicate made are forgotten when it has run, so that
// a run holds the namespace nodes it keeps, not every one it met. None of
// them is ever a query's result. The view is where an id is told to be a
// namespace node or a record: the evaluator asks the view about nodes, and
// the tree (Tree()) only about records, which the view's cursors walk.
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

// The namespace that the prefix xml is bound to, declared by no element.
inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// The namespace declarations in scope at an element, nearest first: the
// element's own, then its parent's, up to the root element. A prefix may be
// declared again further out, where the nearer declaration hides it.
class DeclarationsInScope {
  public:
    DeclarationsInScope() = default;
    // None when element is kNoNode or no element.
    DeclarationsInScope(const tree::DocumentTree& tree, NodeId element);
    // The next declaration's record; kNoNode after the last.
    NodeId Next() {
        // An element's declarations come first among its attribute records.
        if (m_next <= m_last && m_tree->Kind(m_next) == NodeKind::kNamespace) return m_next++;
        return NextOut();
    }

  private:
    void Enter(NodeId element) {
        m_element = element;
        m_next = m_tree->FirstAttributeRecord(element);
        m_last = m_tree->LastAttributeRecord(element);
    }
    // The first declaration of the elements further out.
    NodeId NextOut();

    const tree::DocumentTree* m_tree = nullptr;
    NodeId m_element = kNoNode;  // whose declarations come next
    NodeId m_next = 1;           // the next of its records, up to m_last
    NodeId m_last = 0;
};

class TreeView {
  public:
    explicit TreeView(const tree::DocumentTree& tree);

    // Forgets the namespace nodes of the last run.
    void Reset();
    // The most namespace nodes held at once since the last Reset.
    std::uint64_t NamespaceNodesHeld() const { return m_peak; }

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
    // The sibling before a record, found by climbing from the record before
    // it; kNoNode for none.
    NodeId PreviousSibling(NodeId id) const;
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
    // The prefix a namespace declaration's record declares: p for xmlns:p,
    // empty for xmlns.
    std::string_view DeclaredPrefix(NodeId declaration) const;
    // An element's or attribute's qualified name and namespace URI as name
    // ids of the tree, and its prefix; none (0, empty) for a namespace node.
    tree::NameId NameOf(NodeId id) const { return IsNamespaceNode(id) ? 0 : m_tree.NameOf(id); }
    tree::NameId UriOf(NodeId id) const { return IsNamespaceNode(id) ? 0 : m_tree.UriOf(id); }
    std::string_view Prefix(NodeId id) const {
        return IsNamespaceNode(id) ? std::string_view() : m_tree.Prefix(id);
    }

    // The namespace node that declaration (kNoNode: the xml namespace,
    // declared by none) gives element, the rank-th of its namespace axis:
    // the same id each time, for as long as the node lasts.
    NodeId NamespaceNode(NodeId element, NodeId declaration, std::uint32_t rank);
    // The namespace nodes made so far; those made since a mark are
    // forgotten.
    std::size_t NamespaceMark() const { return m_namespaces.size(); }
    void ForgetNamespaces(std::size_t mark) {
        if (m_namespaces.size() > mark) ForgetNamespacesSince(mark);
    }

    // A key that orders nodes, namespace nodes included, in document order.
    std::uint64_t OrderKey(NodeId id) const;
    // Sorts into document order and drops repeats.
    void SortUnique(std::vector<NodeId>& nodes) const;

  private:
    void ForgetNamespacesSince(std::size_t mark);

    struct Namespace {
        NodeId element;
        NodeId declaration;  // kNoNode: the xml namespace, declared by none
        std::uint32_t rank;  // on the element's namespace axis
    };
    static std::uint64_t KeyOf(NodeId element, NodeId declaration) {
        return (std::uint64_t{element} << 32) | declaration;
    }

    const tree::DocumentTree& m_tree;
    NodeId m_lastRecord;
    std::vector<Namespace> m_namespaces;                        // by id past m_lastRecord
    std::unordered_map<std::uint64_t, NodeId> m_byDeclaration;  // KeyOf to id
    std::uint64_t m_peak = 0;
};

}  // namespace engine::query

#endif
