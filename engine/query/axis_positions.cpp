#include "axis_positions.h"

#include <algorithm>
#include <limits>

namespace engine::query {
namespace {

bool IsAttached(NodeKind kind) {
    return kind == NodeKind::kAttribute || kind == NodeKind::kNamespace;
}

}  // namespace

bool AxisPositions::Takes(Axis axis) {
    return axis == Axis::kFollowingSibling || axis == Axis::kPrecedingSibling ||
           axis == Axis::kFollowing || axis == Axis::kPreceding;
}

AxisPositions::AxisPositions(const TreeView& view, Axis axis, std::size_t position)
    : m_view(view),
      m_axis(axis),
      m_forward(!IsReverse(axis)),
      m_end(m_forward ? std::numeric_limits<NodeId>::max() : kNoNode),
      m_position(position) {}

NodeId AxisPositions::Start(NodeId context) const {
    const tree::DocumentTree& tree = m_view.Tree();
    const bool attached = IsAttached(m_view.Kind(context));
    NodeId start = kNoNode;
    switch (m_axis) {
        case Axis::kFollowingSibling:
            if (!attached) start = tree.NextSibling(context);
            break;
        case Axis::kPrecedingSibling:
            if (!attached) start = m_view.PreviousSibling(context);
            break;
        case Axis::kFollowing:
            // After an attribute come its element's children, which are no
            // descendants of it.
            start = attached ? m_view.AfterAttributes(m_view.Parent(context))
                             : m_view.SubtreeEnd(context);
            break;
        default:  // preceding
            return After(attached ? m_view.Parent(context) : context);
    }
    return start == kNoNode || start > tree.NodeCount() ? m_end : start;
}

NodeId AxisPositions::After(NodeId node) const {
    const tree::DocumentTree& tree = m_view.Tree();
    NodeId next = kNoNode;
    switch (m_axis) {
        case Axis::kFollowingSibling:
            next = tree.NextSibling(node);
            break;
        case Axis::kPrecedingSibling:
            return m_view.PreviousSibling(node);
        case Axis::kFollowing:
            next = tree.Kind(node) == NodeKind::kElement ? m_view.AfterAttributes(node) : node + 1;
            break;
        default:  // preceding: the record before, or the element of an attribute record
            next = node - 1;
            if (next <= tree::kDocumentNode) return m_end;
            return IsAttached(tree.Kind(next)) ? tree.Parent(next) : next;
    }
    return next == kNoNode || next > tree.NodeCount() ? m_end : next;
}

AxisPositions::Ancestors AxisPositions::AncestorsOf(NodeId context) const {
    const tree::DocumentTree& tree = m_view.Tree();
    if (m_axis != Axis::kPreceding) return Ancestors{tree, kNoNode};
    const NodeId from = IsAttached(m_view.Kind(context)) ? m_view.Parent(context) : context;
    return Ancestors{tree, tree.Parent(from)};
}

NodeId AxisPositions::Find(NodeId context, FunctionRef<bool(NodeId)> passes) {
    const NodeId start = Start(context);
    if (m_position == 0 || start == m_end) return kNoNode;
    const bool siblings = m_axis == Axis::kFollowingSibling || m_axis == Axis::kPrecedingSibling;
    const auto [at, fresh] = m_runs.try_emplace(siblings ? m_view.Parent(context) : kNoNode);
    Run& run = at->second;
    if (fresh || Before(run.to, start)) {
        // Past the run, or none yet: a run begins here.
        run.from = run.to = start;
        run.passed.clear();
        run.head = 0;
    } else if (Before(start, run.from)) {
        Extend(run, start, context, passes);
    } else {
        // Within the run: the nodes before start are behind the contexts to
        // come in this order.
        run.head = static_cast<std::size_t>(
            std::lower_bound(run.passed.begin() + static_cast<std::ptrdiff_t>(run.head),
                             run.passed.end(), start,
                             [&](NodeId a, NodeId b) { return Before(a, b); }) -
            run.passed.begin());
        run.from = start;
        if (run.head > 32 && run.head * 2 > run.passed.size()) {
            run.passed.erase(run.passed.begin(),
                             run.passed.begin() + static_cast<std::ptrdiff_t>(run.head));
            run.head = 0;
        }
    }
    // The position among the nodes that passed from start on, then among
    // those further on, tested as far as it.
    Ancestors ancestors = AncestorsOf(context);
    std::size_t counted = 0;
    if (m_axis != Axis::kPreceding) {
        counted = run.passed.size() - run.head;
        if (counted >= m_position) return run.passed[run.head + m_position - 1];
    } else {
        for (std::size_t i = run.head; i < run.passed.size(); ++i) {
            if (!ancestors.Hold(run.passed[i]) && ++counted == m_position) return run.passed[i];
        }
    }
    while (run.to != m_end) {
        const NodeId node = run.to;
        run.to = After(node);
        if (!passes(node)) continue;
        run.passed.push_back(node);
        if (!ancestors.Hold(node) && ++counted == m_position) return node;
    }
    return kNoNode;
}

// Contexts met against the order (preceding siblings from contexts in
// document order, say). The run keeps what the position may need of it, so
// that each time costs no more than the walk from the context would.
void AxisPositions::Extend(Run& run, NodeId start, NodeId context,
                           FunctionRef<bool(NodeId)> passes) {
    Ancestors ancestors = AncestorsOf(context);
    std::vector<NodeId>& passed = m_scratch;
    passed.clear();
    std::size_t counted = 0;
    NodeId node = start;
    for (; node != run.from && node != m_end && counted < m_position; node = After(node)) {
        if (!passes(node)) continue;
        passed.push_back(node);
        if (!ancestors.Hold(node)) ++counted;
    }
    if (node == run.from) {
        std::size_t i = run.head;
        for (; i < run.passed.size() && counted < m_position; ++i) {
            passed.push_back(run.passed[i]);
            if (!ancestors.Hold(run.passed[i])) ++counted;
        }
        if (i < run.passed.size()) run.to = After(passed.back());  // the rest dropped
    } else {
        run.to = node;
    }
    run.from = start;
    run.passed.swap(passed);
    run.head = 0;
}

}  // namespace engine::query
