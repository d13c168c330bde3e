#include "pattern_translator.h"

#include <libxml/tree.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform::dom {
namespace {

// --- Tokens ------------------------------------------------------------------

enum class Op {
    kOr,
    kAnd,
    kNot,
    kAny,
    kAll,
    kUnion,
    kEq,
    kNe,
    kLt,
    kLe,
    kGt,
    kGe,
    kIEq,
    kINe,
    kILt,
    kILe,
    kIGt,
    kIGe,
};

enum class Kind {
    kEnd,
    kSlash,
    kDoubleSlash,
    kDot,
    kDotDot,
    kAt,
    kOpen,
    kClose,
    kOpenBracket,
    kCloseBracket,
    kComma,
    kPipe,
    kBang,
    kStar,
    kAxis,
    kColon,
    kOperator,
    kLiteral,
    kNumber,
    kName,
};

struct Token {
    Kind kind = Kind::kEnd;
    std::string_view text;  // names, literals (with their quotes), numbers
    Op op = Op::kOr;
};

struct SyntaxError {};

[[noreturn]] void Fail() {
    throw SyntaxError();
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
// Bytes of non-ASCII characters count as name characters; a name that
// XPath would not take is compared as text, never handed over as a name.
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.';
}

struct DollarOperator {
    const char* name;
    Op op;
};
constexpr DollarOperator kDollarOperators[] = {
    {"and", Op::kAnd}, {"or", Op::kOr},       {"not", Op::kNot}, {"any", Op::kAny},
    {"all", Op::kAll}, {"union", Op::kUnion}, {"eq", Op::kEq},   {"ne", Op::kNe},
    {"lt", Op::kLt},   {"le", Op::kLe},       {"gt", Op::kGt},   {"ge", Op::kGe},
    {"ieq", Op::kIEq}, {"ine", Op::kINe},     {"ilt", Op::kILt}, {"ile", Op::kILe},
    {"igt", Op::kIGt}, {"ige", Op::kIGe},
};

// Tokens of one character that begins no longer token.
struct Single {
    char c;
    Kind kind;
};
constexpr Single kSingles[] = {
    {'@', Kind::kAt},           {'(', Kind::kOpen},  {')', Kind::kClose}, {'[', Kind::kOpenBracket},
    {']', Kind::kCloseBracket}, {',', Kind::kComma}, {'*', Kind::kStar},
};

std::vector<Token> Tokenize(std::string_view in) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    auto add = [&](Kind kind, std::size_t length, Op op = Op::kOr) {
        tokens.push_back({kind, in.substr(i, length), op});
        i += length;
    };
    auto next = [&](std::size_t k) { return i + k < in.size() ? in[i + k] : '\0'; };
    while (true) {
        while (i < in.size() && IsSpace(in[i]))
            ++i;
        if (i == in.size()) break;
        const char c = in[i];
        const auto* single = std::find_if(std::begin(kSingles), std::end(kSingles),
                                          [&](const Single& t) { return t.c == c; });
        if (single != std::end(kSingles)) {
            add(single->kind, 1);
            continue;
        }
        switch (c) {
            case '/':
                next(1) == '/' ? add(Kind::kDoubleSlash, 2) : add(Kind::kSlash, 1);
                break;
            case ':':
                next(1) == ':' ? add(Kind::kAxis, 2) : add(Kind::kColon, 1);
                break;
            case '=':
                add(Kind::kOperator, 1, Op::kEq);
                break;
            case '!':
                next(1) == '=' ? add(Kind::kOperator, 2, Op::kNe) : add(Kind::kBang, 1);
                break;
            case '<':
                next(1) == '=' ? add(Kind::kOperator, 2, Op::kLe)
                               : add(Kind::kOperator, 1, Op::kLt);
                break;
            case '>':
                next(1) == '=' ? add(Kind::kOperator, 2, Op::kGe)
                               : add(Kind::kOperator, 1, Op::kGt);
                break;
            case '|':
                next(1) == '|' ? add(Kind::kOperator, 2, Op::kOr) : add(Kind::kPipe, 1);
                break;
            case '&':
                if (next(1) != '&') Fail();
                add(Kind::kOperator, 2, Op::kAnd);
                break;
            case '\'':
            case '"': {
                const std::size_t close = in.find(c, i + 1);
                if (close == std::string_view::npos) Fail();
                add(Kind::kLiteral, close + 1 - i);
                break;
            }
            case '$': {
                const std::size_t close = in.find('$', i + 1);
                if (close == std::string_view::npos) Fail();
                const std::string_view name = in.substr(i + 1, close - i - 1);
                const auto* found =
                    std::find_if(std::begin(kDollarOperators), std::end(kDollarOperators),
                                 [&](const DollarOperator& o) { return name == o.name; });
                if (found == std::end(kDollarOperators)) Fail();
                add(Kind::kOperator, close + 1 - i, found->op);
                break;
            }
            case '.':
                if (IsDigit(next(1))) {
                    std::size_t length = 1;
                    while (IsDigit(next(length)))
                        ++length;
                    add(Kind::kNumber, length);
                } else {
                    next(1) == '.' ? add(Kind::kDotDot, 2) : add(Kind::kDot, 1);
                }
                break;
            default:
                if (IsDigit(c)) {
                    std::size_t length = 1;
                    while (IsDigit(next(length)))
                        ++length;
                    if (next(length) == '.') {
                        ++length;
                        while (IsDigit(next(length)))
                            ++length;
                    }
                    add(Kind::kNumber, length);
                } else if (IsNameStart(c)) {
                    std::size_t length = 1;
                    while (IsNameChar(next(length)))
                        ++length;
                    add(Kind::kName, length);
                } else {
                    Fail();
                }
        }
    }
    tokens.push_back({Kind::kEnd, {}, Op::kOr});
    return tokens;
}

// --- Names -------------------------------------------------------------------

constexpr const char* kNodeTypeTests[] = {"node", "text", "comment", "processing-instruction"};
constexpr const char* kCollections[] = {"element", "attribute", "textnode",
                                        "cdata",   "pi",        "entityref"};
constexpr const char* kXPathFunctions[] = {"last",
                                           "position",
                                           "count",
                                           "id",
                                           "local-name",
                                           "namespace-uri",
                                           "name",
                                           "string",
                                           "concat",
                                           "starts-with",
                                           "contains",
                                           "substring-before",
                                           "substring-after",
                                           "substring",
                                           "string-length",
                                           "normalize-space",
                                           "translate",
                                           "boolean",
                                           "not",
                                           "true",
                                           "false",
                                           "lang",
                                           "number",
                                           "sum",
                                           "floor",
                                           "ceiling",
                                           "round"};
constexpr const char* kAxes[] = {
    "ancestor",  "ancestor-or-self",  "attribute", "child",  "descendant", "descendant-or-self",
    "following", "following-sibling", "namespace", "parent", "preceding",  "preceding-sibling",
    "self"};

template <std::size_t N>
bool OneOf(std::string_view name, const char* const (&names)[N]) {
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* candidate) { return name == candidate; });
}

// A name XPath reads as a name test wherever it stands.
bool IsPlainXPathName(std::string_view name) {
    if (name == "and" || name == "or" || name == "div" || name == "mod") return false;
    const std::string copy(name);
    return xmlValidateNCName(reinterpret_cast<const xmlChar*>(copy.c_str()), 0) == 0;
}

// --- The translation -----------------------------------------------------------

class Translator {
  public:
    Translator(std::string_view pattern, const PatternContext& context)
        : m_tokens(Tokenize(pattern)), m_context(context) {}

    std::string Run() {
        std::string xpath = Expr();
        if (Peek().kind != Kind::kEnd) Fail();
        return xpath;
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
        if (Take().kind != kind) Fail();
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
    bool PeekComparison(Op& op) const {
        const Token& token = Peek();
        if (token.kind != Kind::kOperator || token.op < Op::kEq) return false;
        op = token.op;
        return true;
    }

    // Nesting (groups, predicates, arguments, $not$) is bounded, so that no
    // query can exhaust the stack.
    static constexpr int kMaxDepth = 200;
    struct Nested {
        explicit Nested(int& depth) : m_depth(depth) {
            if (++m_depth > kMaxDepth) Fail();
        }
        ~Nested() { --m_depth; }
        int& m_depth;
    };

    std::string Expr() {
        Nested nested(m_depth);
        return OrExpr();
    }

    std::string OrExpr() {
        std::string xpath = AndExpr();
        while (PeekOperator(Op::kOr)) {
            Take();
            xpath += " or " + AndExpr();
        }
        return xpath;
    }
    std::string AndExpr() {
        std::string xpath = NotExpr();
        while (PeekOperator(Op::kAnd)) {
            Take();
            xpath += " and " + NotExpr();
        }
        return xpath;
    }
    std::string NotExpr() {
        if (!PeekOperator(Op::kNot)) return Comparison();
        Take();
        Nested nested(m_depth);
        return "not(" + NotExpr() + ")";
    }

    std::string Comparison() {
        const bool any = PeekOperator(Op::kAny);
        const bool all = PeekOperator(Op::kAll);
        if (any || all) Take();
        std::string xpath = UnionExpr();
        Op op;
        if (!PeekComparison(op)) {
            if (all) Fail();  // $all$ needs a comparison to quantify
            return any ? "boolean(" + xpath + ")" : xpath;
        }
        Take();
        xpath = Compare(op, xpath, UnionExpr(), all);
        while (PeekComparison(op)) {
            if (all) Fail();
            Take();
            xpath = Compare(op, "(" + xpath + ")", UnionExpr(), false);
        }
        return xpath;
    }
    // XPath compares node-sets existentially: "every a op b" is "no a with
    // the opposite comparison".
    static std::string Compare(Op op, const std::string& left, const std::string& right, bool all) {
        static const char* const kSymbols[] = {"=", "!=", "<", "<=", ">", ">="};
        static const Op kOpposite[] = {Op::kNe, Op::kEq, Op::kGe, Op::kGt, Op::kLe, Op::kLt};
        const bool caseless = op >= Op::kIEq;
        const int index = static_cast<int>(op) - static_cast<int>(caseless ? Op::kIEq : Op::kEq);
        const int used =
            all ? static_cast<int>(kOpposite[index]) - static_cast<int>(Op::kEq) : index;
        std::string xpath =
            caseless ? std::string(kCaseInsensitiveFunctions[used]) + "(" + left + "," + right + ")"
                     : left + kSymbols[used] + right;
        return all ? "not(" + xpath + ")" : xpath;
    }

    std::string UnionExpr() {
        std::string xpath = PathExpr();
        while (Peek().kind == Kind::kPipe || PeekOperator(Op::kUnion)) {
            Take();
            xpath += "|" + PathExpr();
        }
        return xpath;
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
                if (Peek(1).kind != Kind::kOpen) return true;
                return OneOf(token.text, kNodeTypeTests) || OneOf(token.text, kCollections);
            default:
                return false;
        }
    }

    std::string PathExpr() {
        std::string xpath;
        if (StartsLocationPath()) {
            xpath = LocationPath();
        } else {
            xpath = Primary();
            while (Peek().kind == Kind::kOpenBracket)
                xpath += Predicate();
            if (TakeIf(Kind::kSlash)) {
                xpath += "/" + RelativePath();
            } else if (Peek().kind == Kind::kDoubleSlash) {
                xpath += RelativePath(true);
            }
        }
        if (TakeIf(Kind::kBang)) xpath = Method(xpath);
        return xpath;
    }

    // A method applied with "!" to what path selects (its first node, where
    // the method gives a value).
    std::string Method(const std::string& path) {
        if (Peek().kind != Kind::kName || Peek(1).kind != Kind::kOpen) Fail();
        const std::string_view name = Peek().text;
        if (OneOf(name, kNodeTypeTests) || OneOf(name, kCollections)) {
            return path + "/" + NodeTest("child::");
        }
        Take();
        Expect(Kind::kOpen);
        Expect(Kind::kClose);
        if (name == "nodeName") return "name(" + path + ")";
        if (name == "value" || name == "date") return "string(" + path + ")";
        if (name == "number") return "number(" + path + ")";
        if (name == "nodeType") return std::string(kNodeTypeFunction) + "(" + path + ")";
        Fail();
    }

    std::string Primary() {
        const Token& token = Take();
        switch (token.kind) {
            case Kind::kOpen: {
                std::string xpath = "(" + Expr() + ")";
                Expect(Kind::kClose);
                return xpath;
            }
            case Kind::kLiteral:
            case Kind::kNumber:
                return std::string(token.text);
            case Kind::kName:
                if (Peek().kind != Kind::kOpen) Fail();
                return FunctionCall(token.text);
            default:
                Fail();
        }
    }

    std::string FunctionCall(std::string_view name) {
        Expect(Kind::kOpen);
        if (name == "ancestor") {  // the nearest ancestor with that name
            std::string xpath = NameTest("ancestor::") + "[1]";
            Expect(Kind::kClose);
            return xpath;
        }
        std::vector<std::string> arguments;
        if (!TakeIf(Kind::kClose)) {
            do {
                arguments.push_back(Expr());
            } while (TakeIf(Kind::kComma));
            Expect(Kind::kClose);
        }
        const bool none = arguments.empty();
        if (name == "index" && none) return "(position()-1)";
        if (name == "end" && none) return "(position()=last())";
        if (name == "nodeName" && none) return "name()";
        if ((name == "value" || name == "date") && none) return "string()";
        if (name == "nodeType" && none) return std::string(kNodeTypeFunction) + "()";
        if (!OneOf(name, kXPathFunctions)) Fail();
        std::string xpath = std::string(name) + "(";
        for (std::size_t i = 0; i < arguments.size(); ++i)
            xpath += (i ? "," : "") + arguments[i];
        return xpath + ")";
    }

    std::string LocationPath() {
        if (TakeIf(Kind::kSlash)) {
            return StartsStep() ? "/" + RelativePath() : "/";
        }
        if (Peek().kind == Kind::kDoubleSlash) return RelativePath(true);
        return RelativePath();
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
    // Steps joined by "/" or "//"; the path starts with "//" when leading.
    std::string RelativePath(bool leading = false) {
        std::string xpath = leading ? "" : Step();
        while (Peek().kind == Kind::kSlash || Peek().kind == Kind::kDoubleSlash) {
            if (Take().kind == Kind::kSlash) {
                xpath += "/" + Step();
            } else {
                xpath += DescendantStep();
            }
        }
        return xpath;
    }

    // The step after "//". Where no predicate follows a child step, "//name"
    // is "/descendant::name", which libxml2 runs without gathering every node
    // first (it does so itself only for plain name tests).
    std::string DescendantStep() {
        const std::size_t start = m_position;
        const bool attributes = Peek().kind == Kind::kAt || Peek().text == "attribute";
        if (Peek().kind != Kind::kDot && Peek().kind != Kind::kDotDot && !attributes &&
            Peek(1).kind != Kind::kAxis) {
            std::string test = NodeTest("descendant::");
            if (Peek().kind != Kind::kOpenBracket) return "/" + test;
            m_position = start;
        }
        return "//" + Step();
    }

    std::string Step() {
        std::string xpath;
        if (TakeIf(Kind::kDot)) {
            if (Peek().kind != Kind::kOpenBracket) return ".";
            xpath = "self::node()";
        } else if (TakeIf(Kind::kDotDot)) {
            if (Peek().kind != Kind::kOpenBracket) return "..";
            xpath = "parent::node()";
        } else if (TakeIf(Kind::kAt)) {
            xpath = NameTest("@");
        } else if (Peek().kind == Kind::kName && Peek(1).kind == Kind::kAxis) {
            const std::string_view axis = Take().text;
            Take();
            if (!OneOf(axis, kAxes)) Fail();
            xpath = NodeTest(std::string(axis) + "::");
        } else {
            xpath = NodeTest("child::");
        }
        while (Peek().kind == Kind::kOpenBracket)
            xpath += Predicate();
        return xpath;
    }

    // A node test on an axis ("child::", "@", "ancestor::"...): a name, a
    // wildcard, or a node type or collection.
    std::string NodeTest(const std::string& axis) {
        if (Peek().kind == Kind::kName && Peek(1).kind == Kind::kOpen) {
            const std::string_view name = Take().text;
            Take();
            std::string argument;
            if (Peek().kind == Kind::kLiteral) argument = std::string(Take().text);
            Expect(Kind::kClose);
            return TypeTest(axis, name, argument);
        }
        return NameTest(axis);
    }

    std::string TypeTest(const std::string& axis, std::string_view name,
                         const std::string& literal) {
        const bool named = !literal.empty();
        const std::string written = named ? literal.substr(1, literal.size() - 2) : "";
        if (name == "processing-instruction" || name == "pi") {
            return axis + "processing-instruction(" + literal + ")";
        }
        if (named) {
            if (name == "element") return NamedTest(axis == "@" ? "child::" : axis, written);
            if (name == "attribute") return NamedTest("@", written);
            Fail();
        }
        if (name == "element") return axis + "*";
        if (name == "attribute") return "@*";
        if (name == "textnode" || name == "text") return axis + "text()";
        if (name == "cdata") return axis + "text()[" + kNodeTypeFunction + "()=4]";
        if (name == "entityref") return axis + "node()[" + kNodeTypeFunction + "()=5]";
        return axis + std::string(name) + "()";  // node(), comment()
    }

    // A name test as written in a query: prefix:local, prefix:* or *.
    std::string NameTest(const std::string& axis) {
        if (TakeIf(Kind::kStar)) return axis + "*";
        if (Peek().kind != Kind::kName) Fail();
        std::string name(Take().text);
        if (TakeIf(Kind::kColon)) {
            if (TakeIf(Kind::kStar)) return PrefixTest(axis, name);
            if (Peek().kind != Kind::kName) Fail();
            name += ":" + std::string(Take().text);
        }
        return NamedTest(axis, name);
    }

    bool IsBound(std::string_view prefix) const {
        return std::find(m_context.boundPrefixes.begin(), m_context.boundPrefixes.end(), prefix) !=
               m_context.boundPrefixes.end();
    }

    // Nodes named name (prefix:local or local) as written in the document.
    std::string NamedTest(const std::string& axis, const std::string& name) {
        const std::size_t colon = name.find(':');
        const bool attribute = axis == "@" || axis == "attribute::";
        if (colon == std::string::npos) {
            // An unprefixed attribute is never in a namespace, and neither is
            // an unprefixed element where no default namespace is declared.
            if ((attribute || !m_context.defaultNamespaces) && IsPlainXPathName(name)) {
                return axis + name;
            }
        } else if (IsBound(name.substr(0, colon)) && IsPlainXPathName(name.substr(0, colon)) &&
                   IsPlainXPathName(name.substr(colon + 1))) {
            return axis + name;
        }
        if (name.find('\'') != std::string::npos) Fail();
        return axis + "*[name()='" + name + "']";
    }
    std::string PrefixTest(const std::string& axis, const std::string& prefix) {
        if (IsBound(prefix) && IsPlainXPathName(prefix)) return axis + prefix + ":*";
        return axis + "*[starts-with(name(),'" + prefix + ":')]";
    }

    // A number in brackets is a 0-based index; anything else filters.
    std::string Predicate() {
        Expect(Kind::kOpenBracket);
        if (Peek().kind == Kind::kNumber && Peek(1).kind == Kind::kCloseBracket) {
            const std::string number(Take().text);
            Take();
            const double index = std::strtod(number.c_str(), nullptr);
            if (index == std::floor(index) && index < 1e15) {
                return "[" + std::to_string(static_cast<long long>(index) + 1) + "]";
            }
            return "[(position()-1)=" + number + "]";
        }
        std::string xpath = "[" + Expr() + "]";
        Expect(Kind::kCloseBracket);
        return xpath;
    }

    std::vector<Token> m_tokens;
    std::size_t m_position = 0;
    int m_depth = 0;
    const PatternContext& m_context;
};

}  // namespace

bool TranslatePattern(std::string_view pattern, const PatternContext& context, std::string& xpath) {
    try {
        xpath = Translator(pattern, context).Run();
        return true;
    } catch (const SyntaxError&) {
        xpath.clear();
        return false;
    }
}

}  // namespace platform::dom
