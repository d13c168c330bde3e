#include "axis_union.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace engine::query {

bool AxisUnion::Takes(Axis axis) {
    switch (axis) {
        case Axis::kChild:
        case Axis::kAttribute:
        case Axis::kNamespace:
        case Axis::kSelf:
            return false;
        default:
            return true;
    }
}

// Attributes and namespace nodes: they have an element but are no child of
// it, and have no siblings.
bool AxisUnion::Attached(NodeId node) const {
    const NodeKind kind = m_view.Kind(node);
    return kind == NodeKind::kAttribute || kind == NodeKind::kNamespace;
}

// The record after node in document order, past an element's attributes.
NodeId AxisUnion::NextInOrder(NodeId node) const {
    return m_view.Tree().Kind(node) == NodeKind::kElement ? m_view.AfterAttributes(node) : node + 1;
}

bool AxisUnion::Add(NodeId context, FunctionRef<bool(NodeId)> meet) {
    switch (m_axis) {
        case Axis::kFollowingSibling:
            return FollowingSiblings(context, meet);
        case Axis::kPrecedingSibling:
            return PrecedingSiblings(context, meet);
        case Axis::kFollowing:
            return Following(context, meet);
        case Axis::kPreceding:
            return Preceding(context, meet);
        case Axis::kDescendant:
        case Axis::kDescendantOrSelf:
            return Descendants(context, m_axis == Axis::kDescendantOrSelf, meet);
        case Axis::kParent: {
            const NodeId parent = m_view.Parent(context);
            return parent == kNoNode || !m_met.insert(parent).second || meet(parent);
        }
        default:  // ancestor, ancestor-or-self
            // Above a node met before, every node was met too.
            for (NodeId node = m_axis == Axis::kAncestorOrSelf ? context : m_view.Parent(context);
                 node != kNoNode && m_met.insert(node).second; node = m_view.Parent(node)) {
                if (!meet(node)) return false;
            }
            return true;
    }
}

bool AxisUnion::FollowingSiblings(NodeId context, FunctionRef<bool(NodeId)> meet) {
    const tree::DocumentTree& tree = m_view.Tree();
    if (Attached(context) || tree.Parent(context) == kNoNode) return true;
    const auto [earliest, first] = m_byParent.emplace(tree.Parent(context), context);
    NodeId stop = kNoNode;
    if (!first) {
        if (context >= earliest->second) return true;  // its siblings were met from there
        stop = earliest->second;                       // met from here on, but itself
        earliest->second = context;
    }
    for (NodeId sibling = tree.NextSibling(context); sibling != kNoNode;
         sibling = tree.NextSibling(sibling)) {
        if (!meet(sibling)) return false;
        if (sibling == stop) break;
    }
    return true;
}

bool AxisUnion::PrecedingSiblings(NodeId context, FunctionRef<bool(NodeId)> meet) {
    const tree::DocumentTree& tree = m_view.Tree();
    if (Attached(context) || tree.Parent(context) == kNoNode) return true;
    const auto [latest, first] = m_byParent.emplace(tree.Parent(context), context);
    NodeId sibling = tree.FirstChild(tree.Parent(context));
    if (!first) {
        if (context <= latest->second) return true;  // its siblings were met from there
        sibling = latest->second;                    // met up to here, but itself
        latest->second = context;
    }
    for (; sibling != context; sibling = tree.NextSibling(sibling)) {
        if (!meet(sibling)) return false;
    }
    return true;
}

bool AxisUnion::Following(NodeId context, FunctionRef<bool(NodeId)> meet) {
    // After an attribute come its element's children, which are no
    // descendants of it.
    const NodeId start = Attached(context) ? m_view.AfterAttributes(m_view.Parent(context))
                                           : m_view.SubtreeEnd(context);
    const NodeId end = m_bound == 0 ? m_view.Tree().NodeCount() + 1 : m_bound;
    if (start >= end) return true;
    m_bound = start;
    for (NodeId node = start; node < end; node = NextInOrder(node)) {
        if (!meet(node)) return false;
    }
    return true;
}

// The nodes before a context, but its ancestors, hold those before an
// earlier one: from where the last walk ended to the context, and those
// ancestors of the last walk's context that ended before this one.
bool AxisUnion::Preceding(NodeId context, FunctionRef<bool(NodeId)> meet) {
    const tree::DocumentTree& tree = m_view.Tree();
    const NodeId to = Attached(context) ? m_view.Parent(context) : context;
    if (to <= m_bound) return true;
    std::vector<NodeId> ancestors;  // of to, the document node left out, nearest first
    for (NodeId up = tree.Parent(to); up > tree::kDocumentNode; up = tree.Parent(up))
        ancestors.push_back(up);
    for (NodeId up = m_bound > tree::kDocumentNode ? tree.Parent(m_bound) : kNoNode;
         up > tree::kDocumentNode && !std::binary_search(ancestors.rbegin(), ancestors.rend(), up);
         up = tree.Parent(up)) {
        if (!meet(up)) return false;
    }
    const NodeId from = std::max<NodeId>(m_bound, tree::kDocumentNode + 1);
    m_bound = to;
    while (!ancestors.empty() && ancestors.back() < from)
        ancestors.pop_back();
    for (NodeId node = from; node < to; node = NextInOrder(node)) {
        if (!ancestors.empty() && ancestors.back() == node) {
            ancestors.pop_back();
        } else if (!meet(node)) {
            return false;
        }
    }
    return true;
}

bool AxisUnion::Descendants(NodeId context, bool self, FunctionRef<bool(NodeId)> meet) {
    if (Attached(context)) return !self || meet(context);
    // A context inside a subtree walked was met with the rest of it.
    auto next = m_walked.upper_bound(context);
    if (next != m_walked.begin() && std::prev(next)->second > context) return true;
    if (self && !meet(context)) return false;
    const NodeId end = m_view.SubtreeEnd(context);
    for (NodeId node = NextInOrder(context); node < end;) {
        if (next != m_walked.end() && next->first == node) {
            // A subtree walked before, from a context that is a descendant
            // of this one: met already, but its context where the axis
            // leaves the context out.
            if (!self && !meet(node)) return false;
            node = next->second;
            next = m_walked.erase(next);
            continue;
        }
        if (!meet(node)) return false;
        node = NextInOrder(node);
    }
    m_walked.emplace(context, end);
    return true;
}

}  // namespace engine::query
