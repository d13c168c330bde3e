#include "axis_cursor.h"

namespace engine::query {

void AxisCursor::Start(TreeView& view, Axis axis, NodeId context) {
    m_view = &view;
    m_axis = axis;
    m_next = m_end = m_ancestor = kNoNode;
    const tree::DocumentTree& tree = view.Tree();
    const NodeKind kind = view.Kind(context);
    const bool attached = kind == NodeKind::kAttribute || kind == NodeKind::kNamespace;
    switch (axis) {
        case Axis::kChild:
            if (!view.IsNamespaceNode(context) && view.HoldsChildren(context))
                m_next = tree.FirstChild(context);
            break;
        case Axis::kAttribute:
            if (kind == NodeKind::kElement) {
                m_next = tree.FirstAttributeRecord(context);
                m_end = view.AfterAttributes(context);
            }
            break;
        case Axis::kNamespace:
            m_element = kind == NodeKind::kElement ? context : kNoNode;
            m_rank = 0;
            break;
        case Axis::kSelf:
        case Axis::kAncestorOrSelf:
            m_next = context;
            break;
        case Axis::kParent:
        case Axis::kAncestor:
            m_next = view.Parent(context);
            break;
        case Axis::kDescendantOrSelf:
            m_next = context;
            m_ancestor = context;  // marks the context, given before the range
            [[fallthrough]];
        case Axis::kDescendant:
            if (view.HoldsChildren(context)) {
                m_end = view.SubtreeEnd(context);
                if (axis == Axis::kDescendant) {
                    m_next =
                        kind == NodeKind::kElement ? view.AfterAttributes(context) : context + 1;
                }
            }
            break;
        case Axis::kFollowing:
            // After an attribute come its element's children, which are no
            // descendants of it.
            m_next =
                attached ? view.AfterAttributes(view.Parent(context)) : view.SubtreeEnd(context);
            m_end = tree.NodeCount() + 1;
            break;
        case Axis::kFollowingSibling:
            if (!attached) m_next = tree.NextSibling(context);
            break;
        case Axis::kPrecedingSibling:
            if (!attached) m_next = view.PreviousSibling(context);
            break;
        case Axis::kPreceding: {
            const NodeId from = attached ? view.Parent(context) : context;
            m_ancestor = view.Parent(from);
            m_next = from - 1;
            break;
        }
    }
}

NodeId AxisCursor::NextInRange() {
    if (m_next >= m_end) return kNoNode;
    const NodeId node = m_next;
    const tree::DocumentTree& tree = m_view->Tree();
    m_next = tree.Kind(node) == NodeKind::kElement ? m_view->AfterAttributes(node) : node + 1;
    return node;
}

// The xml namespace, then the declarations in scope, nearest first, each
// prefix once; xmlns="" declares no namespace, and only hides an outer
// default.
NodeId AxisCursor::NextNamespace() {
    if (m_element == kNoNode) return kNoNode;
    const tree::DocumentTree& tree = m_view->Tree();
    if (m_rank == 0) {
        m_declarations = DeclarationsInScope(tree, m_element);
        if (!m_declared.empty()) m_declared.clear();
        return m_view->NamespaceNode(m_element, kNoNode, m_rank++);
    }
    for (NodeId record = m_declarations.Next(); record != kNoNode; record = m_declarations.Next()) {
        if (m_declared.insert(tree.NameOf(record)).second && !tree.NamespaceUri(record).empty() &&
            tree.Name(record) != "xmlns:xml") {
            return m_view->NamespaceNode(m_element, record, m_rank++);
        }
    }
    return kNoNode;
}

NodeId AxisCursor::Next() {
    const tree::DocumentTree& tree = m_view->Tree();
    NodeId node = kNoNode;
    switch (m_axis) {
        case Axis::kChild:
        case Axis::kFollowingSibling:
            node = m_next;
            if (node != kNoNode) m_next = tree.NextSibling(node);
            return node;
        case Axis::kPrecedingSibling:
            node = m_next;
            if (node != kNoNode) m_next = m_view->PreviousSibling(node);
            return node;
        case Axis::kAttribute:
            while (m_next < m_end && tree.Kind(m_next) != NodeKind::kAttribute)
                ++m_next;
            return m_next < m_end ? m_next++ : kNoNode;
        case Axis::kNamespace:
            return NextNamespace();
        case Axis::kSelf:
        case Axis::kParent:
            node = m_next;
            m_next = kNoNode;
            return node;
        case Axis::kAncestor:
        case Axis::kAncestorOrSelf:
            node = m_next;
            if (node != kNoNode) m_next = m_view->Parent(node);
            return node;
        case Axis::kDescendantOrSelf:
            if (m_ancestor != kNoNode) {
                node = m_ancestor;
                m_ancestor = kNoNode;
                m_next = m_end == kNoNode                        ? kNoNode
                         : tree.Kind(node) == NodeKind::kElement ? m_view->AfterAttributes(node)
                                                                 : node + 1;
                return node;
            }
            return NextInRange();
        case Axis::kDescendant:
        case Axis::kFollowing:
            return NextInRange();
        case Axis::kPreceding:
            // Back from the context, over its ancestors and attribute records.
            for (; m_next > tree::kDocumentNode; --m_next) {
                if (m_next == m_ancestor) {
                    m_ancestor = tree.Parent(m_ancestor);
                    continue;
                }
                const NodeKind kind = tree.Kind(m_next);
                if (kind != NodeKind::kAttribute && kind != NodeKind::kNamespace) return m_next--;
            }
            return kNoNode;
    }
    return kNoNode;
}

}  // namespace engine::query
