// The nodes of one axis from one context node, one at a time, in the axis's
// own order (nearest first on the reverse axes), with no allocation but the
// prefixes the namespace axis has passed: the tree's ids are in document
// order, so descendants are a range of ids, and the previous sibling is found
// by climbing from the record before a node. The namespace axis makes its
// nodes as it reaches them.
#ifndef FLATDOM_ENGINE_QUERY_AXIS_CURSOR_H
#define FLATDOM_ENGINE_QUERY_AXIS_CURSOR_H

#include <cstdint>
#include <unordered_set>

#include "compiled_query.h"
#include "tree_view.h"

namespace engine::query {

class AxisCursor {
  public:
    void Start(TreeView& view, Axis axis, NodeId context);
    // The next node; kNoNode after the last.
    NodeId Next();

  private:
    // Ids from m_next up to m_end, an element's attribute records skipped.
    NodeId NextInRange();
    [[gnu::noinline]] NodeId NextNamespace();

    TreeView* m_view = nullptr;
    Axis m_axis = Axis::kSelf;
    NodeId m_next = kNoNode;
    NodeId m_end = kNoNode;
    NodeId m_ancestor = kNoNode;  // preceding: the next ancestor to skip
    // The namespace axis: its element, the declarations in scope there, the
    // rank of the next node, and the prefixes declared nearer (xmlns or
    // xmlns:p), which hide those further out.
    NodeId m_element = kNoNode;
    DeclarationsInScope m_declarations;
    std::uint32_t m_rank = 0;
    std::unordered_set<tree::NameId> m_declared;
};

}  // namespace engine::query

#endif
