#include "tree_view.h"

#include <algorithm>
#include <new>

namespace engine::query {

DeclarationsInScope::DeclarationsInScope(const tree::DocumentTree& tree, NodeId element)
    : m_tree(&tree) {
    if (element != kNoNode && tree.Kind(element) == NodeKind::kElement) Enter(element);
}

NodeId DeclarationsInScope::NextOut() {
    while (m_element != kNoNode) {
        const NodeId parent = m_tree->Parent(m_element);
        if (parent == kNoNode || m_tree->Kind(parent) != NodeKind::kElement) {
            m_element = kNoNode;
            m_next = 1;
            m_last = 0;
            return kNoNode;
        }
        Enter(parent);
        if (m_next <= m_last && m_tree->Kind(m_next) == NodeKind::kNamespace) return m_next++;
    }
    return kNoNode;
}

TreeView::TreeView(const tree::DocumentTree& tree) : m_tree(tree), m_lastRecord(tree.NodeCount()) {}

void TreeView::Reset() {
    ForgetNamespaces(0);
    m_peak = 0;
}

bool TreeView::HoldsChildren(NodeId id) const {
    switch (Kind(id)) {
        case NodeKind::kDocument:
        case NodeKind::kElement:
        case NodeKind::kEntityReference:
            return true;
        default:
            return false;
    }
}

NodeId TreeView::SubtreeEnd(NodeId id) const {
    if (IsNamespaceNode(id) || m_tree.Kind(id) == NodeKind::kAttribute) return id + 1;
    for (NodeId node = id; node != kNoNode; node = m_tree.Parent(node)) {
        const NodeId next = m_tree.NextSibling(node);
        if (next != kNoNode) return next;
    }
    return m_lastRecord + 1;
}

NodeId TreeView::PreviousSibling(NodeId id) const {
    const NodeId parent = m_tree.Parent(id);
    NodeId before = id - 1;
    if (before == parent || parent == kNoNode) return kNoNode;
    while (m_tree.Parent(before) != parent)
        before = m_tree.Parent(before);
    const NodeKind kind = m_tree.Kind(before);
    return kind == NodeKind::kAttribute || kind == NodeKind::kNamespace ? kNoNode : before;
}

std::string_view TreeView::StringValue(NodeId id, std::string& scratch) const {
    if (IsNamespaceNode(id)) return NamespaceBound(id);
    if (!HoldsChildren(id)) return m_tree.Content(id);
    std::string_view first;
    bool joined = false;
    const NodeId end = SubtreeEnd(id);
    for (NodeId node = id + 1; node < end;) {
        const NodeKind kind = m_tree.Kind(node);
        if (kind == NodeKind::kElement) {
            node = AfterAttributes(node);
            continue;
        }
        if (kind == NodeKind::kText || kind == NodeKind::kCdata) {
            const std::string_view piece = m_tree.Content(node);
            if (joined) {
                scratch.append(piece);
            } else if (first.empty()) {
                first = piece;
            } else if (!piece.empty()) {
                scratch.assign(first).append(piece);
                joined = true;
            }
        }
        ++node;
    }
    return joined ? std::string_view(scratch) : first;
}

std::string_view TreeView::Name(NodeId id) const {
    switch (Kind(id)) {
        case NodeKind::kElement:
        case NodeKind::kAttribute:
        case NodeKind::kProcessingInstruction:
        case NodeKind::kEntityReference:
            return m_tree.Name(id);
        case NodeKind::kNamespace:
            return NamespacePrefix(id);
        default:
            return {};
    }
}

std::string_view TreeView::LocalName(NodeId id) const {
    switch (Kind(id)) {
        case NodeKind::kElement:
        case NodeKind::kAttribute:
            return m_tree.LocalName(id);
        default:
            return Name(id);
    }
}

std::string_view TreeView::NamespaceUri(NodeId id) const {
    const NodeKind kind = Kind(id);
    return kind == NodeKind::kElement || kind == NodeKind::kAttribute ? m_tree.NamespaceUri(id)
                                                                      : std::string_view();
}

std::string_view TreeView::NamespacePrefix(NodeId id) const {
    const NodeId declaration = m_namespaces[id - m_lastRecord - 1].declaration;
    return declaration == kNoNode ? "xml" : DeclaredPrefix(declaration);
}

std::string_view TreeView::DeclaredPrefix(NodeId declaration) const {
    const std::string_view name = m_tree.Name(declaration);  // xmlns or xmlns:prefix
    return name.size() > 6 ? name.substr(6) : std::string_view();
}

std::string_view TreeView::NamespaceBound(NodeId id) const {
    const NodeId declaration = m_namespaces[id - m_lastRecord - 1].declaration;
    return declaration == kNoNode ? kXmlNamespace : m_tree.NamespaceUri(declaration);
}

NodeId TreeView::NamespaceNode(NodeId element, NodeId declaration, std::uint32_t rank) {
    const auto known = m_byDeclaration.find(KeyOf(element, declaration));
    if (known != m_byDeclaration.end()) return known->second;
    // Ids past the records, as many as 32 bits leave.
    if (m_namespaces.size() >= 0xFFFFFFFFu - m_lastRecord - 1) throw std::bad_alloc();
    const auto id = static_cast<NodeId>(m_lastRecord + 1 + m_namespaces.size());
    m_namespaces.push_back({element, declaration, rank});
    m_byDeclaration.emplace(KeyOf(element, declaration), id);
    if (m_namespaces.size() > m_peak) m_peak = m_namespaces.size();
    return id;
}

void TreeView::ForgetNamespacesSince(std::size_t mark) {
    while (m_namespaces.size() > mark) {
        m_byDeclaration.erase(KeyOf(m_namespaces.back().element, m_namespaces.back().declaration));
        m_namespaces.pop_back();
    }
}

std::uint64_t TreeView::OrderKey(NodeId id) const {
    if (!IsNamespaceNode(id)) return std::uint64_t{id} << 32;
    // After its element, before the element's attributes.
    return (std::uint64_t{Owner(id)} << 32) |
           (std::uint64_t{m_namespaces[id - m_lastRecord - 1].rank} + 1);
}

void TreeView::SortUnique(std::vector<NodeId>& nodes) const {
    auto before = [&](NodeId a, NodeId b) { return OrderKey(a) < OrderKey(b); };
    if (std::adjacent_find(nodes.begin(), nodes.end(),
                           [&](NodeId a, NodeId b) { return !before(a, b); }) == nodes.end()) {
        return;  // in order already, each once
    }
    if (m_namespaces.empty()) {
        std::sort(nodes.begin(), nodes.end());
    } else {
        std::sort(nodes.begin(), nodes.end(),
                  [&](NodeId a, NodeId b) { return OrderKey(a) < OrderKey(b); });
    }
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
}

}  // namespace engine::query
