#include "axis_union.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace engine::query {
namespace {

// Attributes and namespace nodes: they have an element but are no child of
// it, and have no siblings.
bool Attached(const TreeView& view, NodeId node) {
    const NodeKind kind = view.Kind(node);
    return kind == NodeKind::kAttribute || kind == NodeKind::kNamespace;
}

// The record after node in document order, past an element's attributes.
NodeId NextInOrder(const TreeView& view, NodeId node) {
    return view.Tree().Kind(node) == NodeKind::kElement ? view.AfterAttributes(node) : node + 1;
}

void FollowingSiblings(const TreeView& view, const NodeId* contexts, std::size_t count,
                       FunctionRef<void(NodeId)> meet) {
    const tree::DocumentTree& tree = view.Tree();
    std::unordered_set<NodeId> parents;
    for (std::size_t i = 0; i < count; ++i) {
        const NodeId context = contexts[i];
        if (Attached(view, context)) continue;
        const NodeId parent = tree.Parent(context);
        if (parent == kNoNode || !parents.insert(parent).second) continue;
        for (NodeId sibling = tree.NextSibling(context); sibling != kNoNode;
             sibling = tree.NextSibling(sibling)) {
            meet(sibling);
        }
    }
}

void PrecedingSiblings(const TreeView& view, const NodeId* contexts, std::size_t count,
                       FunctionRef<void(NodeId)> meet) {
    const tree::DocumentTree& tree = view.Tree();
    std::unordered_set<NodeId> parents;
    for (std::size_t i = count; i-- > 0;) {
        const NodeId context = contexts[i];
        if (Attached(view, context)) continue;
        const NodeId parent = tree.Parent(context);
        if (parent == kNoNode || !parents.insert(parent).second) continue;
        for (NodeId sibling = tree.FirstChild(parent); sibling != context;
             sibling = tree.NextSibling(sibling)) {
            meet(sibling);
        }
    }
}

void Following(const TreeView& view, const NodeId* contexts, std::size_t count,
               FunctionRef<void(NodeId)> meet) {
    // After an attribute come its element's children, which are no
    // descendants of it.
    NodeId start = view.Tree().NodeCount() + 1;
    for (std::size_t i = 0; i < count; ++i) {
        const NodeId context = contexts[i];
        start = std::min(start, Attached(view, context) ? view.AfterAttributes(view.Parent(context))
                                                        : view.SubtreeEnd(context));
    }
    for (NodeId node = start; node <= view.Tree().NodeCount(); node = NextInOrder(view, node))
        meet(node);
}

void Preceding(const TreeView& view, const NodeId* contexts, std::size_t count,
               FunctionRef<void(NodeId)> meet) {
    if (count == 0) return;
    const NodeId last = contexts[count - 1];
    const NodeId from = Attached(view, last) ? view.Parent(last) : last;
    // Its ancestors, nearest last, the document node left out.
    std::vector<NodeId> ancestors;
    for (NodeId up = view.Tree().Parent(from); up > tree::kDocumentNode;
         up = view.Tree().Parent(up)) {
        ancestors.push_back(up);
    }
    for (NodeId node = tree::kDocumentNode + 1; node < from; node = NextInOrder(view, node)) {
        if (!ancestors.empty() && ancestors.back() == node) {
            ancestors.pop_back();
        } else {
            meet(node);
        }
    }
}

void Ancestors(const TreeView& view, bool self, const NodeId* contexts, std::size_t count,
               FunctionRef<void(NodeId)> meet) {
    std::unordered_set<NodeId> met;
    for (std::size_t i = 0; i < count; ++i) {
        // Above a node met before, every node was met too.
        for (NodeId node = self ? contexts[i] : view.Parent(contexts[i]);
             node != kNoNode && met.insert(node).second; node = view.Parent(node)) {
            meet(node);
        }
    }
}

void Parents(const TreeView& view, const NodeId* contexts, std::size_t count,
             FunctionRef<void(NodeId)> meet) {
    std::unordered_set<NodeId> met;
    for (std::size_t i = 0; i < count; ++i) {
        const NodeId parent = view.Parent(contexts[i]);
        if (parent != kNoNode && met.insert(parent).second) meet(parent);
    }
}

void Descendants(const TreeView& view, bool self, const NodeId* contexts, std::size_t count,
                 FunctionRef<void(NodeId)> meet) {
    NodeId walked = 0;  // the record after the last subtree walked
    for (std::size_t i = 0; i < count; ++i) {
        const NodeId context = contexts[i];
        const bool attached = Attached(view, context);
        // A context inside a subtree walked was met with the rest of it;
        // attributes and namespace nodes never are.
        if (!attached && context < walked) continue;
        if (self) meet(context);
        if (attached || !view.HoldsChildren(context)) continue;
        walked = view.SubtreeEnd(context);
        for (NodeId node = NextInOrder(view, context); node < walked;
             node = NextInOrder(view, node)) {
            meet(node);
        }
    }
}

}  // namespace

bool UnitesDirectly(Axis axis) {
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

void UniteAxis(const TreeView& view, Axis axis, const NodeId* contexts, std::size_t count,
               FunctionRef<void(NodeId)> meet) {
    switch (axis) {
        case Axis::kFollowingSibling:
            return FollowingSiblings(view, contexts, count, meet);
        case Axis::kPrecedingSibling:
            return PrecedingSiblings(view, contexts, count, meet);
        case Axis::kFollowing:
            return Following(view, contexts, count, meet);
        case Axis::kPreceding:
            return Preceding(view, contexts, count, meet);
        case Axis::kAncestor:
        case Axis::kAncestorOrSelf:
            return Ancestors(view, axis == Axis::kAncestorOrSelf, contexts, count, meet);
        case Axis::kParent:
            return Parents(view, contexts, count, meet);
        case Axis::kDescendant:
        case Axis::kDescendantOrSelf:
            return Descendants(view, axis == Axis::kDescendantOrSelf, contexts, count, meet);
        default:
            return;
    }
}

}  // namespace engine::query
