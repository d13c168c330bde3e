#include <algorithm>
#include <cmath>

#include "evaluator.h"
#include "query_limits.h"

namespace engine::query {
namespace {

// The kind of node a name test selects on an axis.
NodeKind PrincipalKind(Axis axis) {
    switch (axis) {
        case Axis::kAttribute:
            return NodeKind::kAttribute;
        case Axis::kNamespace:
            return NodeKind::kNamespace;
        default:
            return NodeKind::kElement;
    }
}

}  // namespace

bool Evaluator::Walk(const Expr& path, const Context& context, Visitor visit, bool inOrder,
                     bool transient) {
    const Step* steps = m_query->steps.data() + path.first;
    // A prefix nothing binds fails the path where it runs, whether or not a
    // step before it selects anything.
    for (std::uint32_t i = 0; i < path.count && !m_prefixes.empty(); ++i) {
        tree::NameId uri;
        if (steps[i].match == NameMatch::kNamespaced || steps[i].match == NameMatch::kNamespaceAny)
            PrefixNamespace(steps[i].prefix, uri);
    }
    NodeId single = path.absolute ? tree::kDocumentNode : context.node;
    std::vector<NodeId> nodes;  // the nodes so far, once a step has gathered them
    const NodeId* from = &single;
    std::size_t fromCount = 1;
    if (path.start != kNoExpr) {
        Nodes(path.start, context, nodes);
        from = nodes.data();
        fromCount = nodes.size();
    }
    std::uint32_t merged = 0;
    while (merged < path.count && !steps[merged].merge)
        ++merged;
    if (merged < path.count)
        return WalkUnited(steps, path.count, nodes, from, fromCount, visit, inOrder, transient);
    for (std::size_t i = 0; i < fromCount; ++i) {
        if (!WalkFrom(steps, path.count, from[i], visit, transient)) return false;
    }
    return true;
}

// Runs of steps, each walked depth-first from the nodes so far, up to a step
// that may meet a node from more than one context: each node the run
// reaches is a context of that step, which gives each of its nodes once.
// Its nodes are gathered and put in order for the steps after it (or where
// the path's nodes are asked for in order); else the walk ends with them,
// and may stop at the first.
bool Evaluator::WalkUnited(const Step* steps, std::uint32_t count, std::vector<NodeId>& nodes,
                           const NodeId* from, std::size_t fromCount, Visitor visit, bool inOrder,
                           bool transient) {
    for (std::uint32_t begin = 0; begin < count;) {
        std::uint32_t end = begin;
        while (end < count && !steps[end].merge)
            ++end;
        if (end == count) {
            for (std::size_t i = 0; i < fromCount; ++i) {
                if (!WalkFrom(steps + begin, end - begin, from[i], visit, transient)) return false;
            }
            return true;
        }
        const Step& step = steps[end];
        StepUnion united(m_view, step.axis);
        UnitePositions(united, step);
        if (end + 1 == count && !inOrder) {
            for (std::size_t i = 0; i < fromCount; ++i) {
                if (!WalkFrom(steps + begin, end - begin, from[i],
                              [&](NodeId node) { return Unite(united, step, node, visit); })) {
                    return false;
                }
            }
            return true;
        }
        std::vector<NodeId> gathered;
        auto gather = [&](NodeId node) {
            gathered.push_back(node);
            ++m_work.held;
            return true;
        };
        for (std::size_t i = 0; i < fromCount; ++i) {
            WalkFrom(steps + begin, end - begin, from[i],
                     [&](NodeId node) { return Unite(united, step, node, gather); });
        }
        m_view.SortUnique(gathered);
        nodes = std::move(gathered);
        from = nodes.data();
        fromCount = nodes.size();
        begin = end + 1;
    }
    return std::all_of(from, from + fromCount, visit);
}

bool Evaluator::Unite(StepUnion& united, const Step& step, NodeId context, Visitor visit) {
    if (!step.positional && AxisUnion::Takes(step.axis)) {
        return united.axis.Add(context, [&](NodeId node) {
            return !Matches(step, node) ||
                   !PredicatesHold(m_query->operands.data() + step.firstPredicate, step.predicates,
                                   node) ||
                   visit(node);
        });
    }
    const Operand* predicates = m_query->operands.data() + step.firstPredicate;
    if (united.positions) {
        const NodeId node = united.positions->Find(context, [&](NodeId candidate) {
            if (!Matches(step, candidate) ||
                !PredicatesHold(predicates, united.afterPosition - 1, candidate)) {
                return false;
            }
            ++m_work.held;
            return true;
        });
        if (node == kNoNode) return true;
        std::vector<NodeId>& picked = united.picked;
        picked.assign(1, node);
        for (std::uint32_t i = united.afterPosition; i < step.predicates && !picked.empty(); ++i)
            ApplyPredicate(predicates[i].expr, picked);
        return picked.empty() || !united.met.insert(node).second || visit(node);
    }
    // Predicates that count the nodes of each context's axis: the nodes of
    // each context in turn, each given the first time it is met.
    return WalkFrom(&step, 1, context,
                    [&](NodeId node) { return !united.met.insert(node).second || visit(node); });
}

// Which nodes pass a sideways step's test and the predicates before its
// first plain-number position does not depend on the context: the nodes at
// that position from many contexts come from one walk along the axis's
// order (axis_positions.h).
void Evaluator::UnitePositions(StepUnion& united, const Step& step) {
    if (!step.positional || !AxisPositions::Takes(step.axis)) return;
    const Operand* predicates = m_query->operands.data() + step.firstPredicate;
    const std::uint32_t alone = LeadingAlone(step);
    if (alone == step.predicates || At(predicates[alone].expr).kind != ExprKind::kNumber) return;
    united.positions.emplace(m_view, step.axis, PositionOf(At(predicates[alone].expr).number));
    united.afterPosition = alone + 1;
}

// Depth-first over the steps: levels[d] holds the cursor of step d from the
// node step d-1 is at.
bool Evaluator::WalkFrom(const Step* steps, std::uint32_t count, NodeId start, Visitor visit,
                         bool transient) {
    if (count == 0) return visit(start);
    if (m_walking == m_walks.size()) m_walks.push_back(std::make_unique<std::vector<Level>>());
    std::vector<Level>& levels = *m_walks[m_walking];
    if (levels.size() < count) levels.resize(count);
    struct Walking {
        explicit Walking(std::size_t& walking) : m_walking(++walking) {}
        ~Walking() { --m_walking; }
        std::size_t& m_walking;
    } walking(m_walking);

    auto open = [&](std::uint32_t depth, NodeId node) {
        levels[depth].namespaces = m_view.NamespaceMark();
        Open(levels[depth], steps[depth], node);
    };
    open(0, start);
    std::uint32_t depth = 0;
    while (true) {
        const NodeId node = Advance(levels[depth], steps[depth]);
        if (node == kNoNode) {
            // Nothing holds the namespace nodes made from this level's node.
            if (transient && steps[depth].axis == Axis::kNamespace)
                m_view.ForgetNamespaces(levels[depth].namespaces);
            if (depth == 0) return true;
            --depth;
        } else if (depth + 1 == count) {
            if (!visit(node)) return false;
        } else {
            ++depth;
            open(depth, node);
        }
    }
}

void Evaluator::Open(Level& level, const Step& step, NodeId node) {
    level.cursor.Start(m_view, step.axis, node);
    level.buffered = step.positional;
    if (!level.buffered) return;
    // Predicates that count the step's nodes: gather them, then filter them
    // one predicate after the other. Those before the first that counts
    // hold of each node alone, and filter the nodes as they are met; a
    // position there needs only the nodes up to it.
    std::vector<NodeId>& nodes = level.buffer;
    nodes.clear();
    level.next = 0;
    const Operand* predicates = m_query->operands.data() + step.firstPredicate;
    const std::uint32_t alone = LeadingAlone(step);
    std::size_t limit = static_cast<std::size_t>(-1);
    if (alone < step.predicates && At(predicates[alone].expr).kind == ExprKind::kNumber) {
        limit = PositionOf(At(predicates[alone].expr).number);
        if (limit == 0) return;
    }
    for (NodeId candidate = level.cursor.Next(); candidate != kNoNode;
         candidate = level.cursor.Next()) {
        if (!Matches(step, candidate) || !PredicatesHold(predicates, alone, candidate)) continue;
        nodes.push_back(candidate);
        ++m_work.held;
        if (nodes.size() == limit) break;
    }
    for (std::uint32_t i = alone; i < step.predicates && !nodes.empty(); ++i) {
        ApplyPredicate(predicates[i].expr, nodes);
    }
}

std::uint32_t Evaluator::LeadingAlone(const Step& step) const {
    const Operand* predicates = m_query->operands.data() + step.firstPredicate;
    std::uint32_t alone = 0;
    while (alone < step.predicates && !CountsPositions(At(predicates[alone].expr)))
        ++alone;
    return alone;
}

std::size_t Evaluator::PositionOf(double number) {
    if (!(number >= 1 && number == std::floor(number))) return 0;
    return number < 4294967296.0 ? static_cast<std::size_t>(number) : static_cast<std::size_t>(-1);
}

NodeId Evaluator::Advance(Level& level, const Step& step) {
    if (level.buffered) {
        return level.next < level.buffer.size() ? level.buffer[level.next++] : kNoNode;
    }
    for (NodeId node = level.cursor.Next(); node != kNoNode; node = level.cursor.Next()) {
        if (Matches(step, node) &&
            PredicatesHold(m_query->operands.data() + step.firstPredicate, step.predicates, node)) {
            return node;
        }
    }
    return kNoNode;
}

bool Evaluator::PredicatesHold(const Operand* predicates, std::uint32_t count, NodeId node) {
    if (count == 0) return true;
    const std::size_t made = m_view.NamespaceMark();
    bool holds = true;
    for (std::uint32_t i = 0; i < count && holds; ++i)
        holds = Boolean(predicates[i].expr, Context{node, 0, 0});
    m_view.ForgetNamespaces(made);  // none of them is kept
    return holds;
}

bool Evaluator::Matches(const Step& step, NodeId node) {
    ++m_work.visited;
#ifdef FLATDOM_QUERY_WORK_LIMIT
    if (m_work.visited > kWorkLimit) throw RunError();
#endif
    const NodeKind kind = m_view.Kind(node);
    switch (step.type) {
        case TypeTest::kAnyNode:
            break;
        case TypeTest::kPrincipal:
            if (kind != PrincipalKind(step.axis)) return false;
            break;
        case TypeTest::kText:
            if (kind != NodeKind::kText && kind != NodeKind::kCdata) return false;
            break;
        case TypeTest::kCdata:
            if (kind != NodeKind::kCdata) return false;
            break;
        case TypeTest::kComment:
            if (kind != NodeKind::kComment) return false;
            break;
        case TypeTest::kProcessing:
            if (kind != NodeKind::kProcessingInstruction) return false;
            break;
        case TypeTest::kEntityReference:
            if (kind != NodeKind::kEntityReference) return false;
            break;
        case TypeTest::kAttribute:
            if (kind != NodeKind::kAttribute) return false;
            break;
    }
    if (step.match == NameMatch::kAny) return true;
    if (kind == NodeKind::kNamespace) {  // named by its prefix
        return (step.match == NameMatch::kWritten || step.match == NameMatch::kNoNamespace) &&
               m_view.NamespacePrefix(node) == m_query->Text(step.name);
    }
    switch (step.match) {
        case NameMatch::kWritten:
            return step.nameKnown && m_view.NameOf(node) == step.nameId;
        case NameMatch::kNoNamespace:
            return step.nameKnown && m_view.NameOf(node) == step.nameId && m_view.UriOf(node) == 0;
        case NameMatch::kWrittenPrefix:
            return m_view.Prefix(node) == m_query->Text(step.name);
        case NameMatch::kNamespaced: {
            tree::NameId uri;
            return PrefixNamespace(step.prefix, uri) && m_view.UriOf(node) == uri &&
                   m_view.LocalName(node) == m_query->Text(step.name);
        }
        case NameMatch::kNamespaceAny: {
            tree::NameId uri;
            return PrefixNamespace(step.prefix, uri) && m_view.UriOf(node) == uri;
        }
        default:
            return true;
    }
}

void Evaluator::CheckPrefixes(ExprIndex index) {
    if (m_prefixes.empty()) return;
    const Expr& expr = At(index);
    if (expr.kind == ExprKind::kPath) {
        const Step* steps = m_query->steps.data() + expr.first;
        for (std::uint32_t i = 0; i < expr.count; ++i) {
            tree::NameId uri;
            if (steps[i].match == NameMatch::kNamespaced ||
                steps[i].match == NameMatch::kNamespaceAny) {
                PrefixNamespace(steps[i].prefix, uri);
            }
        }
    }
    if (expr.kind == ExprKind::kPath || expr.kind == ExprKind::kFilter ||
        expr.kind == ExprKind::kNegate) {
        if (expr.start != kNoExpr) CheckPrefixes(expr.start);
        return;
    }
    if (expr.kind == ExprKind::kLiteral || expr.kind == ExprKind::kNumber) return;
    for (std::uint32_t i = 0; i < expr.count; ++i)
        CheckPrefixes(OperandsOf(expr)[i].expr);
}

NodeId Evaluator::PrefixScope() const {
    const tree::DocumentTree& tree = m_view.Tree();
    NodeId scope = m_context;
    if (tree.Kind(scope) == NodeKind::kDocument) {
        scope = tree.FirstChild(scope);
        while (scope != kNoNode && tree.Kind(scope) != NodeKind::kElement)
            scope = tree.NextSibling(scope);
    } else if (tree.Kind(scope) != NodeKind::kElement) {
        scope = tree.Parent(scope);
        if (scope != kNoNode && tree.Kind(scope) != NodeKind::kElement) scope = kNoNode;
    }
    return scope;
}

bool Evaluator::PrefixNamespace(std::uint32_t slot, tree::NameId& uri) {
    Resolved& resolved = m_prefixes[slot];
    if (!resolved.done) {
        // xml always, then what the host bound, then (XPath) what the
        // document declares where the query runs from.
        const std::string_view prefix = m_query->Text(m_query->prefixes[slot]);
        const tree::DocumentTree& tree = m_view.Tree();
        std::string_view bound;
        bool found = prefix == "xml";
        if (found) bound = kXmlNamespace;
        for (const NamespaceBinding& binding : m_settings.bindings) {
            if (!found && binding.prefix == prefix) {
                bound = binding.uri;
                found = true;
            }
        }
        if (!found && m_settings.xpath && !prefix.empty()) {
            DeclarationsInScope declarations(tree, PrefixScope());
            for (NodeId record = declarations.Next(); record != kNoNode && !found;
                 record = declarations.Next()) {
                if (m_view.DeclaredPrefix(record) == prefix) {
                    bound = tree.NamespaceUri(record);
                    found = true;
                }
            }
        }
        if (!found) throw RunError();
        resolved.uri = tree.Names().Find(bound, resolved.known);
        resolved.done = true;
    }
    uri = resolved.uri;
    return resolved.known;
}

}  // namespace engine::query
