#include "evaluator.h"

#include <algorithm>
#include <cmath>

#include "number_text.h"
#include "query_limits.h"

namespace engine::query {

Evaluator::Evaluator(const tree::DocumentTree& tree, const SelectionSettings& settings)
    : m_view(tree), m_settings(settings) {}

void Evaluator::Begin(const CompiledQuery& query, NodeId context) {
    m_query = &query;
    m_context = context;
    m_view.Reset();
    if (!m_prefixes.empty() || !query.prefixes.empty()) {
        m_prefixes.assign(query.prefixes.size(), Resolved());
    }
    m_work = QueryWork();
    if (!m_langs.empty()) m_langs = {};
}

QueryWork Evaluator::Work() const {
    QueryWork work = m_work;
    work.held += m_view.NamespaceNodesHeld();
    return work;
}

void Evaluator::SelectAll(const CompiledQuery& query, NodeId context, std::vector<NodeId>& nodes) {
    Begin(query, context);
    Nodes(query.root, Context{context, 1, 1}, nodes);
    nodes.erase(std::remove_if(nodes.begin(), nodes.end(),
                               [&](NodeId node) { return m_view.IsNamespaceNode(node); }),
                nodes.end());
}

NodeId Evaluator::SelectFirst(const CompiledQuery& query, NodeId context) {
    Begin(query, context);
    const Context start{context, 1, 1};
    const NodeId first = First(query.root, start);
    if (first == kNoNode || !m_view.IsNamespaceNode(first)) return first;
    // Namespace nodes are no result: the first node after them.
    std::vector<NodeId> nodes;
    Nodes(query.root, start, nodes);
    for (NodeId node : nodes) {
        if (!m_view.IsNamespaceNode(node)) return node;
    }
    return kNoNode;
}

void Evaluator::Value(const CompiledQuery& query, NodeId context, std::string& value) {
    Begin(query, context);
    std::string scratch;
    value.assign(String(query.root, Context{context, 1, 1}, scratch));
}

bool Evaluator::Boolean(ExprIndex index, const Context& context) {
    const Expr& expr = At(index);
    switch (expr.kind) {
        case ExprKind::kOr:
            for (std::uint32_t i = 0; i < expr.count; ++i) {
                if (Boolean(OperandsOf(expr)[i].expr, context)) return true;
            }
            return false;
        case ExprKind::kAnd:
            for (std::uint32_t i = 0; i < expr.count; ++i) {
                if (!Boolean(OperandsOf(expr)[i].expr, context)) return false;
            }
            return true;
        case ExprKind::kCompare:
            return Compare(expr, context);
        default:
            break;
    }
    switch (expr.type) {
        case ValueType::kNodeSet:
            return !Each(index, context, [](NodeId) { return false; });
        case ValueType::kNumber: {
            const double number = Number(index, context);
            return number != 0 && !std::isnan(number);
        }
        case ValueType::kString: {
            std::string scratch;
            return !String(index, context, scratch).empty();
        }
        case ValueType::kBoolean:
            break;
    }
    return BooleanFunction(expr, context);
}

double Evaluator::Number(ExprIndex index, const Context& context) {
    const Expr& expr = At(index);
    switch (expr.kind) {
        case ExprKind::kNumber:
            return expr.number;
        case ExprKind::kArithmetic:
            return Arithmetic(expr, context);
        case ExprKind::kNegate:
            return -Number(expr.start, context);
        default:
            break;
    }
    switch (expr.type) {
        case ValueType::kBoolean:
            return Boolean(index, context) ? 1 : 0;
        case ValueType::kNumber:
            return NumberFunction(expr, context);
        default: {
            std::string scratch;
            return TextToNumber(String(index, context, scratch));
        }
    }
}

double Evaluator::Arithmetic(const Expr& chain, const Context& context) {
    const Operand* operands = OperandsOf(chain);
    double value = Number(operands[0].expr, context);
    for (std::uint32_t i = 1; i < chain.count; ++i) {
        const double right = Number(operands[i].expr, context);
        switch (operands[i].op) {
            case Operator::kAdd:
                value += right;
                break;
            case Operator::kSubtract:
                value -= right;
                break;
            case Operator::kMultiply:
                value *= right;
                break;
            case Operator::kDivide:
                value /= right;
                break;
            default:
                value = std::fmod(value, right);
        }
    }
    return value;
}

std::string_view Evaluator::String(ExprIndex index, const Context& context, std::string& scratch) {
    const Expr& expr = At(index);
    if (expr.kind == ExprKind::kLiteral) return m_query->Text(expr.text);
    switch (expr.type) {
        case ValueType::kNodeSet: {
            const NodeId first = First(index, context);
            return first == kNoNode ? std::string_view() : m_view.StringValue(first, scratch);
        }
        case ValueType::kNumber:
            scratch.clear();
            AppendNumber(Number(index, context), scratch);
            return scratch;
        case ValueType::kBoolean:
            return Boolean(index, context) ? "true" : "false";
        case ValueType::kString:
            break;
    }
    return StringFunction(expr, context, scratch);
}

void Evaluator::Nodes(ExprIndex index, const Context& context, std::vector<NodeId>& nodes) {
    nodes.clear();
    const Expr& expr = At(index);
    switch (expr.kind) {
        case ExprKind::kPath:
            Walk(
                expr, context,
                [&](NodeId node) {
                    nodes.push_back(node);
                    ++m_work.held;
                    return true;
                },
                true);
            if (!expr.ordered) m_view.SortUnique(nodes);
            return;
        case ExprKind::kFilter:
            Filter(expr, context, nodes);
            return;
        case ExprKind::kUnion: {
            std::vector<NodeId> more;
            for (std::uint32_t i = 0; i < expr.count; ++i) {
                Nodes(OperandsOf(expr)[i].expr, context, i == 0 ? nodes : more);
                if (i > 0) nodes.insert(nodes.end(), more.begin(), more.end());
            }
            m_view.SortUnique(nodes);
            return;
        }
        default:
            IdFunction(expr, context, nodes);
    }
}

void Evaluator::Filter(const Expr& filter, const Context& context, std::vector<NodeId>& nodes) {
    Nodes(filter.start, context, nodes);
    for (std::uint32_t i = 0; i < filter.count && !nodes.empty(); ++i) {
        ApplyPredicate(OperandsOf(filter)[i].expr, nodes);
    }
}

void Evaluator::ApplyPredicate(ExprIndex predicate, std::vector<NodeId>& nodes) {
    const Expr& expr = At(predicate);
    if (expr.kind == ExprKind::kNumber) {  // a position
        const double position = expr.number;
        const bool found = position >= 1 && position <= static_cast<double>(nodes.size()) &&
                           position == std::floor(position);
        if (found) nodes[0] = nodes[static_cast<std::size_t>(position) - 1];
        nodes.resize(found ? 1 : 0);
        return;
    }
    const auto size = static_cast<std::uint32_t>(nodes.size());
    std::size_t kept = 0;
    for (std::uint32_t k = 0; k < size; ++k) {
        // Predicates may walk paths of their own, which use deeper levels.
        if (Holds(predicate, Context{nodes[k], k + 1, size})) nodes[kept++] = nodes[k];
    }
    nodes.resize(kept);
}

bool Evaluator::Holds(ExprIndex predicate, const Context& context) {
    // A predicate keeps none of the namespace nodes it makes.
    const std::size_t made = m_view.NamespaceMark();
    const bool holds = At(predicate).type == ValueType::kNumber
                           ? Number(predicate, context) == context.position
                           : Boolean(predicate, context);
    m_view.ForgetNamespaces(made);
    return holds;
}

bool Evaluator::Each(ExprIndex index, const Context& context, Visitor visit) {
    const Expr& expr = At(index);
    if (expr.kind == ExprKind::kPath) return Walk(expr, context, visit, false, true);
    if (expr.kind == ExprKind::kUnion) {
        CheckPrefixes(index);  // every operand runs, even after the answer is known
        for (std::uint32_t i = 0; i < expr.count; ++i) {
            if (!Each(OperandsOf(expr)[i].expr, context, visit)) return false;
        }
        return true;
    }
    std::vector<NodeId> nodes;
    Nodes(index, context, nodes);
    return std::all_of(nodes.begin(), nodes.end(), [&](NodeId node) { return visit(node); });
}

NodeId Evaluator::First(ExprIndex index, const Context& context) {
    const Expr& expr = At(index);
    NodeId first = kNoNode;
    if (expr.kind == ExprKind::kPath) {
        Walk(
            expr, context,
            [&](NodeId node) {
                if (first == kNoNode || m_view.OrderKey(node) < m_view.OrderKey(first)) {
                    first = node;
                }
                return !expr.ordered;  // the first met is the first
            },
            true);
        return first;
    }
    if (expr.kind == ExprKind::kUnion) {
        for (std::uint32_t i = 0; i < expr.count; ++i) {
            const NodeId node = First(OperandsOf(expr)[i].expr, context);
            if (node != kNoNode &&
                (first == kNoNode || m_view.OrderKey(node) < m_view.OrderKey(first))) {
                first = node;
            }
        }
        return first;
    }
    std::vector<NodeId> nodes;
    Nodes(index, context, nodes);
    return nodes.empty() ? kNoNode : nodes.front();
}

}  // namespace engine::query
