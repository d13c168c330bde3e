// The one compiled form of a query, whichever language it was written in: an
// expression tree in flat arrays (expressions, steps, operand lists, text),
// typed when it is built, with its names already looked up in the tree's
// name table. The evaluator (evaluator.h) runs it; the cache keeps it.
#ifndef FLATDOM_ENGINE_QUERY_COMPILED_QUERY_H
#define FLATDOM_ENGINE_QUERY_COMPILED_QUERY_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tree/node_record.h"
#include "functions.h"

namespace engine::query {

using ExprIndex = std::uint32_t;
constexpr ExprIndex kNoExpr = 0xFFFFFFFFu;

enum class ValueType : std::uint8_t { kNodeSet, kBoolean, kNumber, kString };

enum class Axis : std::uint8_t {
    kAncestor,
    kAncestorOrSelf,
    kAttribute,
    kChild,
    kDescendant,
    kDescendantOrSelf,
    kFollowing,
    kFollowingSibling,
    kNamespace,
    kParent,
    kPreceding,
    kPrecedingSibling,
    kSelf,
};

// The axes that run against document order; a step's positions count from
// the nearest node.
inline bool IsReverse(Axis axis) {
    return axis == Axis::kAncestor || axis == Axis::kAncestorOrSelf || axis == Axis::kPreceding ||
           axis == Axis::kPrecedingSibling;
}

// The kind of node a step accepts.
enum class TypeTest : std::uint8_t {
    kAnyNode,          // node()
    kPrincipal,        // a name or *: elements, or attributes and namespaces on their axes
    kText,             // text(), textnode(): text and CDATA sections
    kCdata,            // cdata()
    kComment,          // comment()
    kProcessing,       // pi(), processing-instruction()
    kEntityReference,  // entityref()
    kAttribute,        // attribute() on an axis other than child and attribute
};

// How a step's name (if any) is compared.
enum class NameMatch : std::uint8_t {
    kAny,
    kWritten,        // the name as written (prefix and all) equals the text
    kWrittenPrefix,  // the prefix as written equals the text (a pattern's p:*)
    kNoNamespace,    // XPath's unprefixed name: the name and no namespace
    kNamespaced,     // the local name equals the text, in the prefix's namespace
    kNamespaceAny,   // in the prefix's namespace (p:*)
};

// A piece of the query's text: offset and length in CompiledQuery::text.
struct TextSpan {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct Step {
    Axis axis = Axis::kChild;
    TypeTest type = TypeTest::kAnyNode;
    NameMatch match = NameMatch::kAny;
    // A predicate needs the position or the count of the step's nodes: the
    // step's nodes are gathered before they are filtered.
    bool positional = false;
    // The step may meet a node more than once (parents of siblings, say):
    // it runs from all the nodes that the steps before it reached at once,
    // and gives each of its nodes once, in document order (axis_union.h), so
    // that repeats neither multiply along the path nor pile up at its end.
    bool merge = false;
    TextSpan name;
    // kWritten, kNoNamespace: the name's id in the tree, if the tree has it.
    tree::NameId nameId = 0;
    bool nameKnown = false;
    std::uint32_t prefix = 0;          // kNamespaced, kNamespaceAny: index in prefixes
    std::uint32_t firstPredicate = 0;  // in operands
    std::uint32_t predicates = 0;
};

enum class ExprKind : std::uint8_t {
    kOr,          // operands, evaluated until one is true
    kAnd,         // operands, evaluated until one is false
    kCompare,     // a chain: operands[0] op1 operands[1] op2 ..., from the left
    kArithmetic,  // a chain as kCompare
    kNegate,      // -operand
    kUnion,       // operands
    kLiteral,     // text
    kNumber,      // number
    kFunction,    // function(operands)
    kPath,        // steps from the context node, the root or start
    kFilter,      // start[predicates], positions in document order
};

// Operators of kCompare and kArithmetic chains.
enum class Operator : std::uint8_t {
    kNone,
    kEq,
    kNe,
    kLt,
    kLe,
    kGt,
    kGe,
    // Case-insensitive comparisons of the pattern language: always as text.
    kIEq,
    kINe,
    kILt,
    kILe,
    kIGt,
    kIGe,
    kAdd,
    kSubtract,
    kMultiply,
    kDivide,
    kModulo,
};

struct Operand {
    ExprIndex expr;
    Operator op;  // before this operand in a chain; kNone for the first
};

struct Expr {
    Expr(ExprKind kind_, ValueType type_) : kind(kind_), type(type_) {}

    ExprKind kind;
    ValueType type;
    Function function = Function::kNone;
    bool absolute = false;  // kPath: starts at the root
    // kCompare: $all$, true when every pair compares so (the chain has one
    // comparison).
    bool every = false;
    // The value depends on the context position or size.
    bool positional = false;
    // kPath: meets its nodes in document order, each once.
    bool ordered = false;
    double number = 0;
    TextSpan text;              // kLiteral
    ExprIndex start = kNoExpr;  // kPath (a filter or other node-set), kFilter, kNegate
    std::uint32_t first = 0;    // kPath: steps; others: operands
    std::uint32_t count = 0;
};

struct CompiledQuery {
    std::vector<Expr> exprs;
    std::vector<Step> steps;
    std::vector<Operand> operands;   // operands and predicates, by position
    std::vector<TextSpan> prefixes;  // distinct prefixes that name namespaces
    std::string text;                // names, literals, prefixes
    ExprIndex root = kNoExpr;

    std::string_view Text(TextSpan ref) const { return {text.data() + ref.offset, ref.length}; }
    const Expr& At(ExprIndex index) const { return exprs[index]; }
    // Whether the query selects nodes (rather than giving a value).
    bool SelectsNodes() const { return root != kNoExpr && exprs[root].type == ValueType::kNodeSet; }
};

}  // namespace engine::query

#endif
