// The nodes of one axis from many context nodes, each node once, at a cost
// bounded by what the union holds rather than by the sum of what each
// context's axis holds. Contexts are added one at a time, in any order, and
// each gives only the nodes that no context added before reached: following
// siblings up to the earliest context of the same parent walked, preceding
// siblings from the latest one, the nodes following a context up to where an
// earlier walk began, the nodes preceding it from where the last walk ended,
// subtrees not walked again, ancestors climbed until one already met.
#ifndef FLATDOM_ENGINE_QUERY_AXIS_UNION_H
#define FLATDOM_ENGINE_QUERY_AXIS_UNION_H

#include <map>
#include <unordered_map>
#include <unordered_set>

#include "compiled_query.h"
#include "function_ref.h"
#include "tree_view.h"

namespace engine::query {

class AxisUnion {
  public:
    // Whether the union takes the axis: those on which two contexts may
    // meet the same node (not child, attribute, namespace or self).
    static bool Takes(Axis axis);

    AxisUnion(const TreeView& view, Axis axis) : m_view(view), m_axis(axis) {}
    AxisUnion(const AxisUnion&) = delete;
    AxisUnion& operator=(const AxisUnion&) = delete;

    // Calls meet for each node of the axis from context that no context
    // added before reached, in no particular order, until meet answers
    // false; false when it did (the union is then left unfinished). Each
    // context is added once.
    bool Add(NodeId context, FunctionRef<bool(NodeId)> meet);

  private:
    bool FollowingSiblings(NodeId context, FunctionRef<bool(NodeId)> meet);
    bool PrecedingSiblings(NodeId context, FunctionRef<bool(NodeId)> meet);
    bool Following(NodeId context, FunctionRef<bool(NodeId)> meet);
    bool Preceding(NodeId context, FunctionRef<bool(NodeId)> meet);
    bool Descendants(NodeId context, bool self, FunctionRef<bool(NodeId)> meet);
    bool Attached(NodeId node) const;
    NodeId NextInOrder(NodeId node) const;

    const TreeView& m_view;
    const Axis m_axis;
    // Sibling axes: for each parent, the context walked from that reaches
    // furthest (the earliest for following siblings, the latest for
    // preceding ones).
    std::unordered_map<NodeId, NodeId> m_byParent;
    // Following: where the earliest walk began (0: none yet). Preceding:
    // the node the latest walk ended before (0: none yet).
    NodeId m_bound = 0;
    std::unordered_set<NodeId> m_met;   // ancestors and parents met
    std::map<NodeId, NodeId> m_walked;  // descendants: subtrees walked, first to end
};

}  // namespace engine::query

#endif
