// Runs compiled queries (compiled_query.h) over one document tree. Node-sets
// are asked for in the least that a use needs: whether a set has a node, its
// first node, its nodes in any order one by one (stopping where the answer
// is known), or all of them in document order. Paths are walked depth-first
// over an explicit stack of axis cursors, so that steps cost no stack; a
// step that may meet a node from many contexts gives each node once
// (axis_union.h), and finds a plain-number position from all of them in one
// walk (axis_positions.h). Recursion happens only at a level of nesting, which the
// parsers' depth budget bounds (query_limits.h). Each run counts its work
// (query_work.h).
#ifndef FLATDOM_ENGINE_QUERY_EVALUATOR_H
#define FLATDOM_ENGINE_QUERY_EVALUATOR_H

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "axis_cursor.h"
#include "axis_positions.h"
#include "axis_union.h"
#include "compiled_query.h"
#include "function_ref.h"
#include "id_index.h"
#include "query_work.h"
#include "selection_settings.h"
#include "tree_view.h"

namespace engine::query {

// A query that compiled but cannot run from where it was asked: an XPath
// prefix that nothing binds there.
struct RunError {};

class Evaluator {
  public:
    Evaluator(const tree::DocumentTree& tree, const SelectionSettings& settings);
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;

    // The nodes query selects from context, in document order, namespace
    // nodes left out. The query selects nodes. Throws RunError, and
    // std::bad_alloc when memory runs out.
    void SelectAll(const CompiledQuery& query, NodeId context, std::vector<NodeId>& nodes);
    // The first of them; kNoNode for none.
    NodeId SelectFirst(const CompiledQuery& query, NodeId context);
    // The query's value from context as XPath's string() writes it (a
    // node-set: its first node's string value). Throws as SelectAll does.
    void Value(const CompiledQuery& query, NodeId context, std::string& value);
    // What the last run did.
    QueryWork Work() const;

  private:
    struct Context {
        NodeId node;
        std::uint32_t position;
        std::uint32_t size;
    };
    using Visitor = FunctionRef<bool(NodeId)>;
    struct Level {
        AxisCursor cursor;
        std::vector<NodeId> buffer;  // a step's nodes, when its predicates count them
        std::size_t next = 0;
        bool buffered = false;
        std::size_t namespaces = 0;  // the namespace nodes made before it opened
    };
    // The nodes of a step from many contexts, each once.
    struct StepUnion {
        StepUnion(const TreeView& view, Axis axis) : axis(view, axis) {}
        AxisUnion axis;
        std::unordered_set<NodeId> met;  // where each context runs alone
        // A sideways step whose first predicate that counts is a plain number
        // (following-sibling::*[@x][1]): the node at that position from
        // each context, then the predicates after it (from afterPosition).
        std::optional<AxisPositions> positions;
        std::uint32_t afterPosition = 0;
        std::vector<NodeId> picked;
    };
    // A value that is not a node-set, as comparisons take it.
    struct Scalar {
        ValueType type = ValueType::kBoolean;
        bool boolean = false;
        double number = 0;
        std::string_view string;
        std::string storage;
    };

    void Begin(const CompiledQuery& query, NodeId context);
    const Expr& At(ExprIndex index) const { return m_query->exprs[index]; }
    const Operand* OperandsOf(const Expr& expr) const {
        return m_query->operands.data() + expr.first;
    }

    // Expressions (evaluator.cpp).
    bool Boolean(ExprIndex index, const Context& context);
    double Number(ExprIndex index, const Context& context);
    std::string_view String(ExprIndex index, const Context& context, std::string& scratch);
    // Nodes in document order, each once.
    void Nodes(ExprIndex index, const Context& context, std::vector<NodeId>& nodes);
    // Nodes in any order, maybe more than once, until visit answers false;
    // false when it did.
    bool Each(ExprIndex index, const Context& context, Visitor visit);
    // The first node in document order; kNoNode for none.
    NodeId First(ExprIndex index, const Context& context);
    bool Holds(ExprIndex predicate, const Context& context);
    void Filter(const Expr& filter, const Context& context, std::vector<NodeId>& nodes);
    // Keeps the nodes, in their order, for which the predicate holds: a
    // number picks the node at that position.
    void ApplyPredicate(ExprIndex predicate, std::vector<NodeId>& nodes);
    double Arithmetic(const Expr& chain, const Context& context);

    // Paths (evaluator_paths.cpp). The nodes of a path, each once, in
    // document order where inOrder asks for it or the path meets them so.
    // transient: visit keeps no node it is given past its call, so that the
    // namespace nodes of each element are forgotten once the walk has left
    // it.
    bool Walk(const Expr& path, const Context& context, Visitor visit, bool inOrder,
              bool transient = false);
    [[gnu::noinline]] bool WalkUnited(const Step* steps, std::uint32_t count,
                                      std::vector<NodeId>& nodes, const NodeId* from,
                                      std::size_t fromCount, Visitor visit, bool inOrder,
                                      bool transient);
    bool WalkFrom(const Step* steps, std::uint32_t count, NodeId start, Visitor visit,
                  bool transient = false);
    // Visits the nodes of step from context that no context given to
    // united before reached; false when visit answered false.
    bool Unite(StepUnion& united, const Step& step, NodeId context, Visitor visit);
    void UnitePositions(StepUnion& united, const Step& step);
    void Open(Level& level, const Step& step, NodeId node);
    NodeId Advance(Level& level, const Step& step);
    bool Matches(const Step& step, NodeId node);
    // Whether count predicates that count no positions hold of node.
    bool PredicatesHold(const Operand* predicates, std::uint32_t count, NodeId node);
    // Whether a predicate needs the position or the count of the nodes it
    // filters: a number is a position.
    static bool CountsPositions(const Expr& predicate) {
        return predicate.positional || predicate.type == ValueType::kNumber;
    }
    // How many of a step's predicates, from the first, count no positions.
    std::uint32_t LeadingAlone(const Step& step) const;
    // The position a plain number picks: 0 for none (not a whole number
    // from 1), the largest size_t past 2^32 - 1.
    static std::size_t PositionOf(double number);
    // A prefix's namespace, as a name id of the tree; false when the tree
    // has no node in it. Throws RunError when nothing binds the prefix.
    bool PrefixNamespace(std::uint32_t slot, tree::NameId& uri);
    // The element whose declarations give an XPath query's prefixes their
    // namespaces: the element the query runs from, the root element from
    // the document, the element of an attribute or child; none elsewhere.
    NodeId PrefixScope() const;
    // Resolves the prefixes of the paths an expression runs (not those of
    // its predicates), as running it would: for an operand that the answer
    // makes needless to run.
    void CheckPrefixes(ExprIndex index);
    // Runs an operand whose value the answer does not need, where running it
    // may fail (the query names prefixes).
    void RunUnused(ExprIndex index, const Context& context);

    // Comparisons (evaluator_compare.cpp).
    bool Compare(const Expr& chain, const Context& context);
    bool ComparePair(Operator op, ExprIndex left, ExprIndex right, const Context& context);
    bool CompareEvery(Operator op, ExprIndex left, ExprIndex right, const Context& context);
    [[gnu::noinline]] bool CompareBoolean(bool value, Operator op, ExprIndex right,
                                          const Context& context);
    void ToScalar(ExprIndex index, const Context& context, Scalar& scalar);
    bool CompareScalars(Operator op, const Scalar& left, const Scalar& right);
    bool CompareNodesWith(Operator op, ExprIndex nodes, const Scalar& value,
                          const Context& context);
    bool CompareNodeSets(Operator op, ExprIndex left, ExprIndex right, const Context& context);
    bool CompareCaseless(Operator op, ExprIndex left, const Scalar* leftValue, ExprIndex right,
                         const Context& context);
    // The string values of a node-set expression, or of a scalar, for
    // comparison; folded to lower case for the case-insensitive operators.
    void Values(ExprIndex index, const Context& context, bool fold,
                std::vector<std::string>& values);

    // Functions (evaluator_functions.cpp).
    bool BooleanFunction(const Expr& call, const Context& context);
    double NumberFunction(const Expr& call, const Context& context);
    std::string_view StringFunction(const Expr& call, const Context& context, std::string& scratch);
    // Each in a function of its own, to keep its locals off the frames that
    // nest.
    [[gnu::noinline]] bool TextTest(const Expr& call, const Context& context);
    [[gnu::noinline]] std::string_view Concat(const Expr& call, const Context& context,
                                              std::string& scratch);
    [[gnu::noinline]] std::string_view SubstringAround(const Expr& call, const Context& context,
                                                       std::string& scratch);
    [[gnu::noinline]] std::string_view Substring(const Expr& call, const Context& context,
                                                 std::string& scratch);
    [[gnu::noinline]] std::string_view NormalizeSpace(const Expr& call, const Context& context,
                                                      std::string& scratch);
    [[gnu::noinline]] std::string_view Translate(const Expr& call, const Context& context,
                                                 std::string& scratch);
    void IdFunction(const Expr& call, const Context& context, std::vector<NodeId>& nodes);
    // The node a name function or nodeType() asks about.
    NodeId SubjectOf(const Expr& call, const Context& context);
    bool Lang(std::string_view language, NodeId node);
    // The xml:lang attribute (name) of the node's nearest element that has
    // one; kNoNode for none.
    NodeId NearestLang(NodeId node, tree::NameId name);
    std::size_t Count(ExprIndex index, const Context& context);

    TreeView m_view;
    IdIndex m_ids;  // built on the first id() run
    const SelectionSettings& m_settings;
    const CompiledQuery* m_query = nullptr;
    NodeId m_context = kNoNode;  // the node the query runs from
    struct Resolved {
        bool done = false;
        bool known = false;
        tree::NameId uri = 0;
    };
    std::vector<Resolved> m_prefixes;  // by slot, for the current run
    // Levels of the paths being walked, one stack per walk in progress.
    std::vector<std::unique_ptr<std::vector<Level>>> m_walks;
    std::size_t m_walking = 0;
    QueryWork m_work;  // of this run, namespace nodes made left to the view
    // lang(): each element met so far in this run, and its nearest xml:lang
    // (kNoNode: none); the elements a climb passed.
    std::unordered_map<NodeId, NodeId> m_langs;
    std::vector<NodeId> m_climbed;
};

}  // namespace engine::query

#endif
