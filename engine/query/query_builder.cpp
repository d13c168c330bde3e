#include "query_builder.h"

#include <limits>

#include "query_limits.h"

namespace engine::query {

QueryBuilder::QueryBuilder(const tree::NameTable& names, CompiledQuery& query)
    : m_names(names), m_query(query) {}

TextSpan QueryBuilder::AddText(std::string_view text) {
    if (m_query.text.size() + text.size() > std::numeric_limits<std::uint32_t>::max()) Refuse();
    TextSpan ref{static_cast<std::uint32_t>(m_query.text.size()),
                 static_cast<std::uint32_t>(text.size())};
    m_query.text.append(text);
    return ref;
}

ExprIndex QueryBuilder::Add(const Expr& expr) {
    if (m_query.exprs.size() >= kNoExpr) Refuse();
    m_query.exprs.push_back(expr);
    return static_cast<ExprIndex>(m_query.exprs.size() - 1);
}

std::uint32_t QueryBuilder::Commit(std::size_t mark) {
    const auto first = static_cast<std::uint32_t>(m_query.operands.size());
    m_query.operands.insert(m_query.operands.end(), m_operands.begin() + mark, m_operands.end());
    m_operands.resize(mark);
    return first;
}

void QueryBuilder::RequireNodes(ExprIndex expr) const {
    if (TypeOf(expr) != ValueType::kNodeSet) Refuse();
}

ExprIndex QueryBuilder::Literal(std::string_view text) {
    Expr expr(ExprKind::kLiteral, ValueType::kString);
    expr.text = AddText(text);
    return Add(expr);
}

ExprIndex QueryBuilder::Number(double number) {
    Expr expr(ExprKind::kNumber, ValueType::kNumber);
    expr.number = number;
    return Add(expr);
}

ExprIndex QueryBuilder::Chain(ExprKind kind, std::size_t mark, bool every) {
    if (m_operands.size() == mark + 1 && !every) {
        const ExprIndex single = m_operands.back().expr;
        m_operands.pop_back();
        return single;
    }
    Expr expr(kind, ValueType::kBoolean);
    if (kind == ExprKind::kArithmetic) expr.type = ValueType::kNumber;
    if (kind == ExprKind::kUnion) expr.type = ValueType::kNodeSet;
    for (std::size_t i = mark; i < m_operands.size(); ++i) {
        if (kind == ExprKind::kUnion) RequireNodes(m_operands[i].expr);
        expr.positional = expr.positional || m_query.exprs[m_operands[i].expr].positional;
    }
    expr.every = every;
    expr.count = static_cast<std::uint32_t>(m_operands.size() - mark);
    expr.first = Commit(mark);
    return Add(expr);
}

ExprIndex QueryBuilder::Negate(ExprIndex operand) {
    Expr expr(ExprKind::kNegate, ValueType::kNumber);
    expr.start = operand;
    expr.positional = m_query.exprs[operand].positional;
    return Add(expr);
}

ExprIndex QueryBuilder::Call(Function function, std::size_t mark) {
    const FunctionInfo& info = InfoOf(function);
    const std::size_t count = m_operands.size() - mark;
    if (count < info.minArguments || (info.maxArguments != 255 && count > info.maxArguments)) {
        Refuse();
    }
    Expr expr(ExprKind::kFunction, info.result);
    expr.function = function;
    expr.positional = info.positional;
    for (std::size_t i = mark; i < m_operands.size(); ++i) {
        if (info.nodeSetArguments) RequireNodes(m_operands[i].expr);
        expr.positional = expr.positional || m_query.exprs[m_operands[i].expr].positional;
    }
    expr.count = static_cast<std::uint32_t>(count);
    expr.first = Commit(mark);
    return Add(expr);
}

ExprIndex QueryBuilder::Filter(ExprIndex start, std::size_t predicateMark) {
    if (m_operands.size() == predicateMark) return start;
    RequireNodes(start);
    Expr expr(ExprKind::kFilter, ValueType::kNodeSet);
    expr.start = start;
    expr.positional = m_query.exprs[start].positional;
    expr.count = static_cast<std::uint32_t>(m_operands.size() - predicateMark);
    expr.first = Commit(predicateMark);
    return Add(expr);
}

void QueryBuilder::AddStep(Step step, std::size_t predicateMark, bool afterDoubleSlash) {
    for (std::size_t i = predicateMark; i < m_operands.size(); ++i) {
        const Expr& predicate = m_query.exprs[m_operands[i].expr];
        step.positional =
            step.positional || predicate.positional || predicate.type == ValueType::kNumber;
    }
    step.predicates = static_cast<std::uint32_t>(m_operands.size() - predicateMark);
    step.firstPredicate = Commit(predicateMark);
    if (afterDoubleSlash) {
        // "//name" without a predicate that counts is descendant::name: the
        // same nodes, met once each, in document order.
        if (step.axis == Axis::kChild && !step.positional) {
            step.axis = Axis::kDescendant;
        } else {
            Step all;
            all.axis = Axis::kDescendantOrSelf;
            all.firstPredicate = step.firstPredicate;
            m_steps.push_back(all);
        }
    }
    m_steps.push_back(step);
}

ExprIndex QueryBuilder::Path(std::size_t stepMark, bool absolute, ExprIndex start) {
    if (start != kNoExpr) RequireNodes(start);
    if (start != kNoExpr && m_steps.size() == stepMark) return start;
    Expr expr(ExprKind::kPath, ValueType::kNodeSet);
    expr.absolute = absolute;
    expr.start = start;
    if (start != kNoExpr) expr.positional = m_query.exprs[start].positional;
    // Walked depth-first, the steps meet their nodes in document order, each
    // once, until a step could reach a node met before, or an earlier one:
    // a reverse or sideways axis, or children or descendants of nodes that
    // may hold one another. Where a step could meet a node twice, the last
    // step included, it runs from all the nodes the steps before it reached
    // at once and gives each of its nodes once (merge), and the walk goes on
    // from them in order.
    bool single = start == kNoExpr;  // one node so far
    bool nested = !single;           // some of the nodes so far may hold others
    bool ordered = true;
    for (std::size_t i = stepMark; i < m_steps.size(); ++i) {
        Step& step = m_steps[i];
        bool repeats = false;
        switch (step.axis) {
            case Axis::kChild:
                ordered = ordered && !nested;
                single = false;
                break;
            case Axis::kAttribute:
            case Axis::kNamespace:
                nested = single = false;
                break;
            case Axis::kSelf:
                break;
            case Axis::kParent:
                repeats = !single;
                ordered = ordered && single;
                nested = nested || !single;
                break;
            case Axis::kDescendant:
            case Axis::kDescendantOrSelf:
                repeats = nested;
                ordered = ordered && !nested;
                nested = true;
                single = false;
                break;
            case Axis::kFollowingSibling:
            case Axis::kFollowing:
                // From one node, in document order; siblings hold no others.
                repeats = !single;
                ordered = ordered && single;
                nested = step.axis == Axis::kFollowing || !single;
                single = false;
                break;
            default:  // reverse axes: nearest first
                repeats = !single;
                ordered = false;
                nested = true;
                single = false;
        }
        // The last step too: its nodes are the path's, which a union gives
        // in document order, each once.
        step.merge = repeats;
        if (step.merge) ordered = nested = true;
    }
    expr.ordered = ordered;
    expr.first = static_cast<std::uint32_t>(m_query.steps.size());
    expr.count = static_cast<std::uint32_t>(m_steps.size() - stepMark);
    m_query.steps.insert(m_query.steps.end(), m_steps.begin() + stepMark, m_steps.end());
    m_steps.resize(stepMark);
    return Add(expr);
}

std::uint32_t QueryBuilder::PrefixSlot(std::string_view prefix) {
    const auto known = m_prefixSlots.find(std::string(prefix));
    if (known != m_prefixSlots.end()) return known->second;
    const auto slot = static_cast<std::uint32_t>(m_query.prefixes.size());
    m_query.prefixes.push_back(AddText(prefix));
    m_prefixSlots.emplace(prefix, slot);
    return slot;
}

void QueryBuilder::MatchWritten(Step& step, std::string_view name) {
    step.match = NameMatch::kWritten;
    step.name = AddText(name);
    step.nameId = m_names.Find(name, step.nameKnown);
}

void QueryBuilder::MatchWrittenPrefix(Step& step, std::string_view prefix) {
    step.match = NameMatch::kWrittenPrefix;
    step.name = AddText(prefix);
}

void QueryBuilder::MatchNoNamespace(Step& step, std::string_view name) {
    MatchWritten(step, name);
    step.match = NameMatch::kNoNamespace;
}

void QueryBuilder::MatchNamespaced(Step& step, std::string_view prefix, std::string_view local) {
    step.match = NameMatch::kNamespaced;
    step.name = AddText(local);
    step.prefix = PrefixSlot(prefix);
}

void QueryBuilder::MatchNamespaceAny(Step& step, std::string_view prefix) {
    step.match = NameMatch::kNamespaceAny;
    step.prefix = PrefixSlot(prefix);
}

void QueryBuilder::Finish(ExprIndex root) {
    m_query.root = root;
}

ChainBuilder::ChainBuilder(QueryBuilder& builder)
    : m_builder(builder), m_base(builder.m_chains.size()) {}

ExprIndex ChainBuilder::Close(ExprIndex operand, int level) {
    std::vector<QueryBuilder::OpenChain>& chains = m_builder.m_chains;
    while (chains.size() > m_base && chains.back().level > level) {
        const QueryBuilder::OpenChain open = chains.back();
        chains.pop_back();
        m_builder.Push(operand, open.pending);
        operand = m_builder.Chain(open.kind, open.mark);
    }
    return operand;
}

void ChainBuilder::Operator(ExprIndex left, int level, ExprKind kind, engine::query::Operator op) {
    left = Close(left, level);
    std::vector<QueryBuilder::OpenChain>& chains = m_builder.m_chains;
    if (chains.size() > m_base && chains.back().level == level) {
        m_builder.Push(left, chains.back().pending);
        chains.back().pending = op;
        return;
    }
    chains.push_back({level, kind, op, m_builder.Mark()});
    m_builder.Push(left);
}

ExprIndex ChainBuilder::Finish(ExprIndex last) {
    return Close(last, -1);
}

}  // namespace engine::query
