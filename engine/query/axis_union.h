// The nodes of one axis from a set of context nodes, each node once, in one
// pass that costs what the union holds rather than the sum of what each
// context's axis holds: the siblings after the first context of each parent,
// the nodes after the earliest end among the contexts' subtrees, the nodes
// before the last context, the siblings before the last context of each
// parent, subtrees not walked again from contexts inside them, ancestors
// climbed until one already met.
#ifndef FLATDOM_ENGINE_QUERY_AXIS_UNION_H
#define FLATDOM_ENGINE_QUERY_AXIS_UNION_H

#include <cstddef>

#include "compiled_query.h"
#include "function_ref.h"
#include "tree_view.h"

namespace engine::query {

// Whether UniteAxis takes the axis: those on which two contexts may meet the
// same node.
bool UnitesDirectly(Axis axis);

// Calls meet once for each node of the axis from any of the contexts, which
// are in document order, each once; in no particular order.
void UniteAxis(const TreeView& view, Axis axis, const NodeId* contexts, std::size_t count,
               FunctionRef<void(NodeId)> meet);

}  // namespace engine::query

#endif
