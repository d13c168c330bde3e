#include "xpath_parser.h"

#include "axis_names.h"
#include "number_text.h"
#include "query_builder.h"
#include "query_limits.h"
#include "xpath_lexer.h"

namespace engine::query {
namespace {

using Kind = XPathToken;

struct BinaryOperator {
    Kind token;
    int level;
    ExprKind kind;
    Operator op;
};
// Loosest first: or, and, equality, relational, additive, multiplicative.
constexpr BinaryOperator kBinaryOperators[] = {
    {Kind::kOr, 0, ExprKind::kOr, Operator::kNone},
    {Kind::kAnd, 1, ExprKind::kAnd, Operator::kNone},
    {Kind::kEq, 2, ExprKind::kCompare, Operator::kEq},
    {Kind::kNe, 2, ExprKind::kCompare, Operator::kNe},
    {Kind::kLt, 3, ExprKind::kCompare, Operator::kLt},
    {Kind::kLe, 3, ExprKind::kCompare, Operator::kLe},
    {Kind::kGt, 3, ExprKind::kCompare, Operator::kGt},
    {Kind::kGe, 3, ExprKind::kCompare, Operator::kGe},
    {Kind::kPlus, 4, ExprKind::kArithmetic, Operator::kAdd},
    {Kind::kMinus, 4, ExprKind::kArithmetic, Operator::kSubtract},
    {Kind::kMultiply, 5, ExprKind::kArithmetic, Operator::kMultiply},
    {Kind::kDiv, 5, ExprKind::kArithmetic, Operator::kDivide},
    {Kind::kMod, 5, ExprKind::kArithmetic, Operator::kModulo},
};

class XPathParser {
  public:
    XPathParser(std::string_view expression, QueryBuilder& builder)
        : m_tokens(TokenizeXPath(expression)), m_builder(builder) {}

    void Run() {
        const ExprIndex root = Expr();
        if (Peek().kind != Kind::kEnd) Refuse();
        m_builder.Finish(root);
    }

  private:
    const XPathTokenText& Peek() const { return m_tokens[m_position]; }
    const XPathTokenText& Take() {
        const XPathTokenText& token = m_tokens[m_position];
        if (token.kind != Kind::kEnd) ++m_position;
        return token;
    }
    bool TakeIf(Kind kind) {
        if (Peek().kind != kind) return false;
        ++m_position;
        return true;
    }
    void Expect(Kind kind) {
        if (!TakeIf(kind)) Refuse();
    }

    ExprIndex Expr() {
        DepthGuard guard(m_depth);
        ChainBuilder chains(m_builder);
        ExprIndex operand = UnaryExpr();
        while (const BinaryOperator* binary = PeekBinary()) {
            Take();
            chains.Operator(operand, binary->level, binary->kind, binary->op);
            operand = UnaryExpr();
        }
        return chains.Finish(operand);
    }
    const BinaryOperator* PeekBinary() const {
        for (const BinaryOperator& binary : kBinaryOperators) {
            if (binary.token == Peek().kind) return &binary;
        }
        return nullptr;
    }

    ExprIndex UnaryExpr() {
        if (!TakeIf(Kind::kMinus)) return UnionExpr();
        DepthGuard guard(m_depth);
        const ExprIndex operand = UnaryExpr();
        return m_builder.Negate(operand);
    }

    ExprIndex UnionExpr() {
        const std::size_t mark = m_builder.Mark();
        m_builder.Push(PathExpr());
        while (TakeIf(Kind::kPipe))
            m_builder.Push(PathExpr());
        return m_builder.Chain(ExprKind::kUnion, mark);
    }

    bool StartsFilter() const {
        switch (Peek().kind) {
            case Kind::kVariable:
            case Kind::kOpen:
            case Kind::kLiteral:
            case Kind::kNumber:
                return true;
            case Kind::kFunction:
                return !IsNodeType(Peek().text);
            default:
                return false;
        }
    }
    static bool IsNodeType(std::string_view name) {
        return name == "comment" || name == "text" || name == "processing-instruction" ||
               name == "node";
    }

    ExprIndex PathExpr() {
        if (!StartsFilter()) return LocationPath();
        const ExprIndex primary = Primary();
        const std::size_t predicates = m_builder.Mark();
        while (Peek().kind == Kind::kOpenBracket)
            Predicate();
        const ExprIndex filter = m_builder.Filter(primary, predicates);
        if (Peek().kind != Kind::kSlash && Peek().kind != Kind::kDoubleSlash) return filter;
        const std::size_t steps = m_builder.StepMark();
        RelativeSteps(false);
        return m_builder.Path(steps, false, filter);
    }

    ExprIndex Primary() {
        const XPathTokenText& token = Take();
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
            case Kind::kFunction:
                return FunctionCall(token.text);
            default:  // a variable: none is ever bound
                Refuse();
        }
    }

    ExprIndex FunctionCall(std::string_view name) {
        const FunctionInfo* info = FindXPathFunction(name);
        if (!info) Refuse();
        Expect(Kind::kOpen);
        const std::size_t mark = m_builder.Mark();
        if (!TakeIf(Kind::kClose)) {
            do {
                m_builder.Push(Expr());
            } while (TakeIf(Kind::kComma));
            Expect(Kind::kClose);
        }
        return m_builder.Call(info->function, mark);
    }

    ExprIndex LocationPath() {
        const std::size_t steps = m_builder.StepMark();
        if (TakeIf(Kind::kSlash)) {
            if (StartsStep()) RelativeSteps(true);
            return m_builder.Path(steps, true);
        }
        if (Peek().kind == Kind::kDoubleSlash) {
            RelativeSteps(false);
            return m_builder.Path(steps, true);
        }
        RelativeSteps(true);
        return m_builder.Path(steps, false);
    }
    bool StartsStep() const {
        switch (Peek().kind) {
            case Kind::kDot:
            case Kind::kDotDot:
            case Kind::kAt:
            case Kind::kStar:
            case Kind::kName:
            case Kind::kAxis:
                return true;
            case Kind::kFunction:
                return IsNodeType(Peek().text);
            default:
                return false;
        }
    }
    // A step first (when first), then steps each after "/" or "//".
    void RelativeSteps(bool first) {
        if (first) ParseStep();
        while (Peek().kind == Kind::kSlash || Peek().kind == Kind::kDoubleSlash) {
            ParseStep(Take().kind == Kind::kDoubleSlash);
        }
    }

    void ParseStep(bool afterDoubleSlash = false) {
        Step step;
        if (TakeIf(Kind::kDot)) {
            step.axis = Axis::kSelf;
            m_builder.AddStep(step, m_builder.Mark(), afterDoubleSlash);
            return;
        }
        if (TakeIf(Kind::kDotDot)) {
            step.axis = Axis::kParent;
            m_builder.AddStep(step, m_builder.Mark(), afterDoubleSlash);
            return;
        }
        if (TakeIf(Kind::kAt)) {
            step.axis = Axis::kAttribute;
        } else if (Peek().kind == Kind::kAxis) {
            if (!FindAxis(Take().text, step.axis)) Refuse();
            Expect(Kind::kDoubleColon);
        }
        NodeTest(step);
        const std::size_t predicates = m_builder.Mark();
        while (Peek().kind == Kind::kOpenBracket)
            Predicate();
        m_builder.AddStep(step, predicates, afterDoubleSlash);
    }

    void NodeTest(Step& step) {
        const XPathTokenText& token = Take();
        if (token.kind == Kind::kStar) {
            step.type = TypeTest::kPrincipal;
            return;
        }
        if (token.kind == Kind::kName) {
            step.type = TypeTest::kPrincipal;
            const std::size_t colon = token.text.find(':');
            if (colon == std::string_view::npos) {
                m_builder.MatchNoNamespace(step, token.text);
            } else if (token.text.back() == '*') {
                m_builder.MatchNamespaceAny(step, token.text.substr(0, colon));
            } else {
                m_builder.MatchNamespaced(step, token.text.substr(0, colon),
                                          token.text.substr(colon + 1));
            }
            return;
        }
        if (token.kind != Kind::kFunction || !IsNodeType(token.text)) Refuse();
        Expect(Kind::kOpen);
        if (token.text == "processing-instruction") {
            step.type = TypeTest::kProcessing;
            if (Peek().kind == Kind::kLiteral) m_builder.MatchWritten(step, Take().text);
        } else if (token.text == "comment") {
            step.type = TypeTest::kComment;
        } else if (token.text == "text") {
            step.type = TypeTest::kText;
        } else {
            step.type = TypeTest::kAnyNode;
        }
        Expect(Kind::kClose);
    }

    void Predicate() {
        Expect(Kind::kOpenBracket);
        m_builder.Push(Expr());
        Expect(Kind::kCloseBracket);
    }

    std::vector<XPathTokenText> m_tokens;
    std::size_t m_position = 0;
    int m_depth = 0;
    QueryBuilder& m_builder;
};

}  // namespace

bool CompileXPath(std::string_view expression, const tree::NameTable& names, CompiledQuery& query) {
    try {
        QueryBuilder builder(names, query);
        XPathParser(expression, builder).Run();
        return true;
    } catch (const CompileError&) {
        return false;
    }
}

}  // namespace engine::query
