#include "pattern_parser.h"

#include <algorithm>

#include "axis_names.h"
#include "number_text.h"
#include "pattern_lexer.h"
#include "query_builder.h"
#include "query_limits.h"
#include "xml_names.h"

namespace engine::query {
namespace {

using Kind = PatternToken;
using Op = PatternOp;

// Node types and collections: what they select, and what a name in
// parentheses means to them.
enum class Naming {
    kNone,     // no name: node(), text(), textnode(), comment(), cdata()
    kTarget,   // compared with the target or entity name: pi('t'), entityref('e')
    kNodeName  // a node's name as a name test reads it: element('p:x'), attribute('n')
};
struct TypeName {
    const char* name;
    TypeTest type;
    Naming naming;
};
constexpr TypeName kTypeNames[] = {
    {"node", TypeTest::kAnyNode, Naming::kNone},
    {"text", TypeTest::kText, Naming::kNone},
    {"textnode", TypeTest::kText, Naming::kNone},
    {"comment", TypeTest::kComment, Naming::kNone},
    {"cdata", TypeTest::kCdata, Naming::kNone},
    {"processing-instruction", TypeTest::kProcessing, Naming::kTarget},
    {"pi", TypeTest::kProcessing, Naming::kTarget},
    {"entityref", TypeTest::kEntityReference, Naming::kTarget},
    {"element", TypeTest::kPrincipal, Naming::kNodeName},
    {"attribute", TypeTest::kAttribute, Naming::kNodeName},
};

const TypeName* FindTypeName(std::string_view name) {
    for (const TypeName& type : kTypeNames) {
        if (name == type.name) return &type;
    }
    return nullptr;
}

// A name XPath would read as a name test wherever it stands.
bool IsPlainXPathName(std::string_view name) {
    return name != "and" && name != "or" && name != "div" && name != "mod" && IsNcName(name);
}

Operator ComparisonOf(Op op) {
    return static_cast<Operator>(static_cast<int>(Operator::kEq) + static_cast<int>(op) -
                                 static_cast<int>(Op::kEq));
}

class PatternParser {
  public:
    PatternParser(std::string_view pattern, const SelectionSettings& settings,
                  QueryBuilder& builder)
        : m_tokens(TokenizePattern(pattern)), m_settings(settings), m_builder(builder) {}

    void Run() {
        const ExprIndex root = Expr();
        if (Peek().kind != Kind::kEnd) Refuse();
        m_builder.Finish(root);
    }

  private:
    const Token& Peek(std::size_t ahead = 0) const {
        return m_tokens[std::min(m_position + ahead, m_tokens.size() - 1)];
    }
    const Token& Take() {
        const Token& token = Peek();
        if (token.kind != Kind::kEnd) ++m_position;
        return token;
    }
    void Expect(Kind kind) {
        if (Take().kind != kind) Refuse();
    }
    bool TakeIf(Kind kind) {
        if (Peek().kind != kind) return false;
        ++m_position;
        return true;
    }
    // An operator here: the $op$ and symbol forms, and the words "and" and
    // "or" where an operator may stand.
    bool PeekOperator(Op op) const {
        const Token& token = Peek();
        if (token.kind == Kind::kOperator) return token.op == op;
        if (token.kind != Kind::kName) return false;
        return (op == Op::kAnd && token.text == "and") || (op == Op::kOr && token.text == "or");
    }
    bool PeekComparison(Operator& op) const {
        const Token& token = Peek();
        if (token.kind != Kind::kOperator || token.op < Op::kEq) return false;
        op = ComparisonOf(token.op);
        return true;
    }

    ExprIndex Expr() {
        DepthGuard guard(m_depth);
        ChainBuilder chains(m_builder);
        ExprIndex operand = NotExpr();
        while (true) {
            if (PeekOperator(Op::kOr)) {
                chains.Operator(operand, 0, ExprKind::kOr, Operator::kNone);
            } else if (PeekOperator(Op::kAnd)) {
                chains.Operator(operand, 1, ExprKind::kAnd, Operator::kNone);
            } else {
                return chains.Finish(operand);
            }
            Take();
            operand = NotExpr();
        }
    }

    ExprIndex NotExpr() {
        if (!PeekOperator(Op::kNot)) return Comparison();
        Take();
        DepthGuard guard(m_depth);
        const ExprIndex operand = NotExpr();
        const std::size_t mark = m_builder.Mark();
        m_builder.Push(operand);
        return m_builder.Call(Function::kNot, mark);
    }

    // [$any$ | $all$] a [op b [op c ...]]; $all$ quantifies one comparison.
    ExprIndex Comparison() {
        const bool any = PeekOperator(Op::kAny);
        const bool all = PeekOperator(Op::kAll);
        if (any || all) Take();
        const ExprIndex left = UnionExpr();
        Operator op;
        if (!PeekComparison(op)) {
            if (all) Refuse();
            if (!any) return left;
            const std::size_t mark = m_builder.Mark();
            m_builder.Push(left);
            return m_builder.Call(Function::kBoolean, mark);
        }
        const std::size_t mark = m_builder.Mark();
        m_builder.Push(left);
        while (PeekComparison(op)) {
            if (all && m_builder.Mark() > mark + 1) Refuse();
            Take();
            m_builder.Push(UnionExpr(), op);
        }
        return m_builder.Chain(ExprKind::kCompare, mark, all);
    }

    ExprIndex UnionExpr() {
        const std::size_t mark = m_builder.Mark();
        m_builder.Push(PathExpr());
        while (Peek().kind == Kind::kPipe || PeekOperator(Op::kUnion)) {
            Take();
            m_builder.Push(PathExpr());
        }
        return m_builder.Chain(ExprKind::kUnion, mark);
    }

    bool StartsLocationPath() const {
        const Token& token = Peek();
        switch (token.kind) {
            case Kind::kSlash:
            case Kind::kDoubleSlash:
            case Kind::kDot:
            case Kind::kDotDot:
            case Kind::kAt:
            case Kind::kStar:
                return true;
            case Kind::kName:
                return Peek(1).kind != Kind::kOpen || FindTypeName(token.text);
            default:
                return false;
        }
    }

    ExprIndex PathExpr() {
        ExprIndex expr;
        if (StartsLocationPath()) {
            expr = LocationPath();
        } else {
            const ExprIndex primary = Primary();
            const std::size_t predicates = m_builder.Mark();
            while (Peek().kind == Kind::kOpenBracket)
                Predicate();
            expr = m_builder.Filter(primary, predicates);
            if (Peek().kind == Kind::kSlash || Peek().kind == Kind::kDoubleSlash) {
                const std::size_t steps = m_builder.StepMark();
                if (TakeIf(Kind::kSlash)) ParseStep();
                RelativeSteps();
                expr = m_builder.Path(steps, false, expr);
            }
        }
        if (TakeIf(Kind::kBang)) expr = Method(expr);
        return expr;
    }

    // A method applied with "!" to what path selects: a collection of their
    // children, or a value of the first of them.
    ExprIndex Method(ExprIndex path) {
        if (Peek().kind != Kind::kName || Peek(1).kind != Kind::kOpen) Refuse();
        const std::string_view name = Peek().text;
        if (FindTypeName(name)) {
            const std::size_t steps = m_builder.StepMark();
            Step step;
            NodeTest(step, Axis::kChild);
            m_builder.AddStep(step, m_builder.Mark());
            return m_builder.Path(steps, false, path);
        }
        Take();
        Expect(Kind::kOpen);
        Expect(Kind::kClose);
        Function function = Function::kNone;
        if (name == "nodeName") function = Function::kName;
        if (name == "value" || name == "date") function = Function::kString;
        if (name == "number") function = Function::kNumber;
        if (name == "nodeType") function = Function::kNodeType;
        if (function == Function::kNone) Refuse();
        const std::size_t mark = m_builder.Mark();
        m_builder.Push(path);
        return m_builder.Call(function, mark);
    }

    ExprIndex Primary() {
        const Token& token = Take();
        switch (token.kind) {
            case Kind::kOpen: {
                const ExprIndex expr = Expr();
                Expect(Kind::kClose);
                return expr;
            }
            case Kind::kLiteral:
                return m_builder.Literal(token.text);
            case Kind::kNumber:
                return m_builder.Number(TextToNumber(token.text));
            case Kind::kName:
                if (Peek().kind != Kind::kOpen) Refuse();
                return FunctionCall(token.text);
            default:
                Refuse();
        }
    }

    ExprIndex FunctionCall(std::string_view name) {
        Expect(Kind::kOpen);
        if (name == "ancestor") {  // the nearest ancestor with that name
            const std::size_t steps = m_builder.StepMark();
            Step step;
            NameTest(step, Axis::kAncestor);
            const std::size_t predicates = m_builder.Mark();
            m_builder.Push(m_builder.Number(1));
            m_builder.AddStep(step, predicates);
            Expect(Kind::kClose);
            return m_builder.Path(steps, false);
        }
        const std::size_t mark = m_builder.Mark();
        if (!TakeIf(Kind::kClose)) {
            do {
                m_builder.Push(Expr());
            } while (TakeIf(Kind::kComma));
            Expect(Kind::kClose);
        }
        if (m_builder.Mark() == mark) {
            if (name == "index") return m_builder.Call(Function::kIndex, mark);
            if (name == "end") return m_builder.Call(Function::kEnd, mark);
            if (name == "nodeName") return m_builder.Call(Function::kName, mark);
            if (name == "value" || name == "date") return m_builder.Call(Function::kString, mark);
            if (name == "nodeType") return m_builder.Call(Function::kNodeType, mark);
        }
        const FunctionInfo* info = FindXPathFunction(name);
        if (!info) Refuse();
        return m_builder.Call(info->function, mark);
    }

    ExprIndex LocationPath() {
        const std::size_t steps = m_builder.StepMark();
        if (TakeIf(Kind::kSlash)) {
            if (StartsStep()) {
                ParseStep();
                RelativeSteps();
            }
            return m_builder.Path(steps, true);
        }
        const bool absolute = Peek().kind == Kind::kDoubleSlash;
        if (!absolute) ParseStep();
        RelativeSteps();
        return m_builder.Path(steps, absolute);
    }
    bool StartsStep() const {
        switch (Peek().kind) {
            case Kind::kDot:
            case Kind::kDotDot:
            case Kind::kAt:
            case Kind::kStar:
            case Kind::kName:
                return true;
            default:
                return false;
        }
    }
    // Steps, each after "/" or "//".
    void RelativeSteps() {
        while (Peek().kind == Kind::kSlash || Peek().kind == Kind::kDoubleSlash) {
            ParseStep(Take().kind == Kind::kDoubleSlash);
        }
    }

    void ParseStep(bool afterDoubleSlash = false) {
        Step step;
        if (TakeIf(Kind::kDot)) {
            step.axis = Axis::kSelf;
        } else if (TakeIf(Kind::kDotDot)) {
            step.axis = Axis::kParent;
        } else if (TakeIf(Kind::kAt)) {
            NameTest(step, Axis::kAttribute);
        } else if (Peek().kind == Kind::kName && Peek(1).kind == Kind::kAxis) {
            Axis axis;
            if (!FindAxis(Take().text, axis)) Refuse();
            Take();
            NodeTest(step, axis);
        } else {
            NodeTest(step, Axis::kChild);
        }
        const std::size_t predicates = m_builder.Mark();
        while (Peek().kind == Kind::kOpenBracket)
            Predicate();
        m_builder.AddStep(step, predicates, afterDoubleSlash);
    }

    // A node test on an axis: a name, a wildcard, or a node type or
    // collection.
    void NodeTest(Step& step, Axis axis) {
        if (Peek().kind != Kind::kName || Peek(1).kind != Kind::kOpen) {
            NameTest(step, axis);
            return;
        }
        const TypeName* type = FindTypeName(Take().text);
        if (!type) Refuse();
        Take();
        const bool named = Peek().kind == Kind::kLiteral;
        const std::string_view written = named ? Take().text : std::string_view();
        Expect(Kind::kClose);
        step.axis = axis;
        step.type = type->type;
        // attribute() on the child axis (the default) selects the
        // attributes; on another axis, the nodes there that are attributes.
        if (type->type == TypeTest::kAttribute && axis == Axis::kChild) {
            step.axis = Axis::kAttribute;
        }
        if (step.type == TypeTest::kAttribute && step.axis == Axis::kAttribute) {
            step.type = TypeTest::kPrincipal;
        }
        if (!named) return;
        if (type->naming == Naming::kNone) Refuse();
        if (type->naming == Naming::kTarget) {
            m_builder.MatchWritten(step, written);
        } else {
            NamedTest(step, written);
        }
    }

    // A name test as written in a query: prefix:local, prefix:* or *.
    void NameTest(Step& step, Axis axis) {
        step.axis = axis;
        step.type = TypeTest::kPrincipal;
        if (TakeIf(Kind::kStar)) return;
        if (Peek().kind != Kind::kName) Refuse();
        const std::string_view name = Take().text;
        if (!TakeIf(Kind::kColon)) {
            NamedTest(step, name);
            return;
        }
        if (TakeIf(Kind::kStar)) {
            if (IsBound(name) && IsPlainXPathName(name)) {
                m_builder.MatchNamespaceAny(step, name);
            } else {
                m_builder.MatchWrittenPrefix(step, name);
            }
            return;
        }
        if (Peek().kind != Kind::kName) Refuse();
        m_scratch.assign(name).append(":").append(Take().text);
        NamedTest(step, m_scratch);
    }

    bool IsBound(std::string_view prefix) const {
        return std::any_of(m_settings.bindings.begin(), m_settings.bindings.end(),
                           [&](const NamespaceBinding& b) { return b.prefix == prefix; });
    }

    // Nodes named name (prefix:local or local) as written in the document;
    // with a prefix the host bound, by namespace.
    void NamedTest(Step& step, std::string_view name) {
        if (name.find('\'') != std::string_view::npos) Refuse();
        const std::size_t colon = name.find(':');
        if (colon != std::string_view::npos) {
            const std::string_view prefix = name.substr(0, colon);
            const std::string_view local = name.substr(colon + 1);
            if (IsBound(prefix) && IsPlainXPathName(prefix) && IsPlainXPathName(local)) {
                m_builder.MatchNamespaced(step, prefix, local);
                return;
            }
        }
        m_builder.MatchWritten(step, name);
    }

    // A number alone in brackets is a 0-based index; anything else filters.
    void Predicate() {
        Expect(Kind::kOpenBracket);
        if (Peek().kind == Kind::kNumber && Peek(1).kind == Kind::kCloseBracket) {
            m_builder.Push(m_builder.Number(TextToNumber(Take().text) + 1));
            Take();
            return;
        }
        m_builder.Push(Expr());
        Expect(Kind::kCloseBracket);
    }

    std::vector<Token> m_tokens;
    std::size_t m_position = 0;
    int m_depth = 0;
    const SelectionSettings& m_settings;
    QueryBuilder& m_builder;
    std::string m_scratch;
};

}  // namespace

bool CompilePattern(std::string_view pattern, const SelectionSettings& settings,
                    const tree::NameTable& names, CompiledQuery& query) {
    try {
        QueryBuilder builder(names, query);
        PatternParser(pattern, settings, builder).Run();
        return true;
    } catch (const CompileError&) {
        return false;
    }
}

}  // namespace engine::query
