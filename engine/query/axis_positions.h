// The node at a plain-number position of a sideways axis (following or
// preceding, of siblings or of the document), from many context nodes, where
// the step's test and the predicates before the number hold of each node
// alone: which nodes pass them does not depend on the context, only where
// its axis starts. The axis of each context is a stretch of one order, the
// same for every context of a parent (siblings) or of the document (the
// preceding axis leaves the context's ancestors out of it): the nodes tested
// from one context are not tested again from the next, which reads the
// passed nodes after where its axis starts and tests further only as far as
// the position needs. So contexts met in document order or in reverse cost
// about one walk along the order, not the walk from each context to its node
// (or to the end, where there is none); in another order, never more than
// those walks.
#ifndef FLATDOM_ENGINE_QUERY_AXIS_POSITIONS_H
#define FLATDOM_ENGINE_QUERY_AXIS_POSITIONS_H

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "compiled_query.h"
#include "function_ref.h"
#include "tree_view.h"

namespace engine::query {

class AxisPositions {
  public:
    // Whether the axis is one of the four.
    static bool Takes(Axis axis);

    // position: 1 for the nearest node.
    AxisPositions(const TreeView& view, Axis axis, std::size_t position);
    AxisPositions(const AxisPositions&) = delete;
    AxisPositions& operator=(const AxisPositions&) = delete;

    // The node at the position among the nodes of context's axis that
    // passes accepts; kNoNode for none. passes is the same function for
    // every context; it is called once for each node that contexts met in
    // document order, or in reverse, need tested.
    NodeId Find(NodeId context, FunctionRef<bool(NodeId)> passes);

  private:
    // A stretch [from, to) of an order, every node of which was tested;
    // passed[head...]: those that passed, in the order.
    struct Run {
        NodeId from = kNoNode;
        NodeId to = kNoNode;
        std::vector<NodeId> passed;
        std::size_t head = 0;
    };
    // The ancestors of the node the preceding axis starts from: on the
    // order, but not on the axis. Asked about the nodes in the order.
    struct Ancestors {
        const tree::DocumentTree& tree;
        NodeId next;  // the nearest not yet passed; kNoNode for none
        bool Hold(NodeId node) {
            while (next > node)
                next = tree.Parent(next);
            return next == node;
        }
    };

    bool Before(NodeId a, NodeId b) const { return m_forward ? a < b : a > b; }
    // The first node of context's axis (m_end for none), and the node after
    // node in the order.
    NodeId Start(NodeId context) const;
    NodeId After(NodeId node) const;
    Ancestors AncestorsOf(NodeId context) const;
    // The run begins at start, before where it began: the nodes up to it
    // tested, as far as the position needs.
    void Extend(Run& run, NodeId start, NodeId context, FunctionRef<bool(NodeId)> passes);

    const TreeView& m_view;
    const Axis m_axis;
    const bool m_forward;  // in document order
    const NodeId m_end;    // past the last node of the order
    const std::size_t m_position;
    std::unordered_map<NodeId, Run> m_runs;  // by parent; the document's order under kNoNode
    std::vector<NodeId> m_scratch;
};

}  // namespace engine::query

#endif
