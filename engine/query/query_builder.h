// Builds the compiled form for both parsers: each expression typed as it is
// made (a query that unites numbers, or filters a string, is refused here),
// names looked up in the tree once, chains, steps and operands laid out in
// place from a scratch stack, so that building is linear in the query.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_BUILDER_H
#define FLATDOM_ENGINE_QUERY_QUERY_BUILDER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiled_query.h"
#include "engine/tree/name_table.h"

namespace engine::query {

class QueryBuilder {
  public:
    QueryBuilder(const tree::NameTable& names, CompiledQuery& query);

    TextSpan AddText(std::string_view text);

    ExprIndex Literal(std::string_view text);
    ExprIndex Number(double number);

    // Operands are pushed onto a scratch stack; a construct made of them takes
    // those pushed since its mark.
    std::size_t Mark() const { return m_operands.size(); }
    void Push(ExprIndex expr, Operator op = Operator::kNone) { m_operands.push_back({expr, op}); }

    // kOr, kAnd, kCompare, kArithmetic or kUnion over the operands since
    // mark; a single operand stands for itself.
    ExprIndex Chain(ExprKind kind, std::size_t mark, bool every = false);
    ExprIndex Negate(ExprIndex operand);
    ExprIndex Call(Function function, std::size_t mark);
    ExprIndex Filter(ExprIndex start, std::size_t predicateMark);

    // Steps are kept on a scratch stack too, each with its predicates (the
    // operands since predicateMark); a path takes the steps since its mark.
    // A step after "//" comes after descendant-or-self::node().
    std::size_t StepMark() const { return m_steps.size(); }
    void AddStep(Step step, std::size_t predicateMark, bool afterDoubleSlash = false);
    // From the context node, the root, or the node-set start.
    ExprIndex Path(std::size_t stepMark, bool absolute, ExprIndex start = kNoExpr);

    // Names of steps. A name as written, prefix and all; XPath's unprefixed
    // name (no namespace); a local name in the namespace of a prefix.
    void MatchWritten(Step& step, std::string_view name);
    void MatchWrittenPrefix(Step& step, std::string_view prefix);
    void MatchNoNamespace(Step& step, std::string_view name);
    void MatchNamespaced(Step& step, std::string_view prefix, std::string_view local);
    void MatchNamespaceAny(Step& step, std::string_view prefix);

    ValueType TypeOf(ExprIndex expr) const { return m_query.exprs[expr].type; }
    void Finish(ExprIndex root);

  private:
    friend class ChainBuilder;
    struct OpenChain {
        int level;
        ExprKind kind;
        engine::query::Operator pending;  // before the chain's next operand
        std::size_t mark;
    };

    ExprIndex Add(const Expr& expr);
    // Moves the operands since mark into the query; their first index.
    std::uint32_t Commit(std::size_t mark);
    std::uint32_t PrefixSlot(std::string_view prefix);
    void RequireNodes(ExprIndex expr) const;

    const tree::NameTable& m_names;
    CompiledQuery& m_query;
    std::vector<Operand> m_operands;
    std::vector<Step> m_steps;
    std::vector<OpenChain> m_chains;
    std::unordered_map<std::string, std::uint32_t> m_prefixSlots;
};

// Left-associative chains of binary operators over precedence levels 0
// (the loosest) and up, built in a loop rather than one recursion per level:
// operands and operators in the order they are read, then the last operand.
// The chains still open are kept by the builder, not on the stack.
class ChainBuilder {
  public:
    explicit ChainBuilder(QueryBuilder& builder);

    // The operand read before an operator of level and kind.
    void Operator(ExprIndex left, int level, ExprKind kind, engine::query::Operator op);
    // The last operand; the whole expression.
    ExprIndex Finish(ExprIndex last);

  private:
    // Ends the chains above level, the operand their last; what they make.
    ExprIndex Close(ExprIndex operand, int level);

    QueryBuilder& m_builder;
    std::size_t m_base;  // this expression's first open chain
};

}  // namespace engine::query

#endif
