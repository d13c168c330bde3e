#include "xpath_lexer.h"

#include "engine/tree/xml_chars.h"
#include "query_limits.h"
#include "xml_names.h"

namespace engine::query {
namespace {

using Kind = XPathToken;

// Tokens after which "*" multiplies and names are operators: the ends of
// operands.
bool EndsOperand(Kind kind) {
    switch (kind) {
        case Kind::kClose:
        case Kind::kCloseBracket:
        case Kind::kDot:
        case Kind::kDotDot:
        case Kind::kLiteral:
        case Kind::kNumber:
        case Kind::kVariable:
        case Kind::kStar:
        case Kind::kName:
            return true;
        default:
            return false;
    }
}

class Lexer {
  public:
    explicit Lexer(std::string_view in) : m_in(in) {}

    std::vector<XPathTokenText> Run() {
        while (true) {
            SkipSpace();
            if (m_at == m_in.size()) break;
            Read();
        }
        m_tokens.push_back({Kind::kEnd, {}});
        return std::move(m_tokens);
    }

  private:
    char Next(std::size_t k = 0) const { return m_at + k < m_in.size() ? m_in[m_at + k] : '\0'; }
    void SkipSpace() {
        while (m_at < m_in.size() && IsXmlSpace(m_in[m_at]))
            ++m_at;
    }
    void Add(Kind kind, std::size_t length) {
        m_tokens.push_back({kind, m_in.substr(m_at, length)});
        m_at += length;
    }
    bool AfterOperand() const { return !m_tokens.empty() && EndsOperand(m_tokens.back().kind); }

    void Read() {
        const char c = Next();
        switch (c) {
            case '(':
                return Add(Kind::kOpen, 1);
            case ')':
                return Add(Kind::kClose, 1);
            case '[':
                return Add(Kind::kOpenBracket, 1);
            case ']':
                return Add(Kind::kCloseBracket, 1);
            case '@':
                return Add(Kind::kAt, 1);
            case ',':
                return Add(Kind::kComma, 1);
            case '|':
                return Add(Kind::kPipe, 1);
            case '+':
                return Add(Kind::kPlus, 1);
            case '-':
                return Add(Kind::kMinus, 1);
            case '=':
                return Add(Kind::kEq, 1);
            case '/':
                return Next(1) == '/' ? Add(Kind::kDoubleSlash, 2) : Add(Kind::kSlash, 1);
            case '<':
                return Next(1) == '=' ? Add(Kind::kLe, 2) : Add(Kind::kLt, 1);
            case '>':
                return Next(1) == '=' ? Add(Kind::kGe, 2) : Add(Kind::kGt, 1);
            case '*':
                return Add(AfterOperand() ? Kind::kMultiply : Kind::kStar, 1);
            case '!':
                if (Next(1) != '=') Refuse();
                return Add(Kind::kNe, 2);
            case ':':
                if (Next(1) != ':') Refuse();
                return Add(Kind::kDoubleColon, 2);
            case '.':
                if (IsAsciiDigit(Next(1))) return Number();
                return Next(1) == '.' ? Add(Kind::kDotDot, 2) : Add(Kind::kDot, 1);
            case '"':
            case '\'': {
                const std::size_t close = m_in.find(c, m_at + 1);
                if (close == std::string_view::npos) Refuse();
                m_tokens.push_back({Kind::kLiteral, m_in.substr(m_at + 1, close - m_at - 1)});
                m_at = close + 1;
                return;
            }
            case '$': {
                ++m_at;
                const std::size_t length = QNameLength();
                if (length == 0) Refuse();
                return Add(Kind::kVariable, length);
            }
            default:
                if (IsAsciiDigit(c)) return Number();
                return Name();
        }
    }

    // Digits with a decimal point somewhere, and an exponent.
    void Number() {
        std::size_t length = 0;
        while (IsAsciiDigit(Next(length)))
            ++length;
        if (Next(length) == '.') {
            ++length;
            while (IsAsciiDigit(Next(length)))
                ++length;
        }
        if (Next(length) == 'e' || Next(length) == 'E') {
            std::size_t exponent = length + 1;
            if (Next(exponent) == '+' || Next(exponent) == '-') ++exponent;
            if (IsAsciiDigit(Next(exponent))) {
                while (IsAsciiDigit(Next(exponent)))
                    ++exponent;
                length = exponent;
            }
        }
        Add(Kind::kNumber, length);
    }

    // The length of the qualified name (or prefix:*) at m_at; 0 for none.
    std::size_t QNameLength() const {
        const std::string_view rest = m_in.substr(m_at);
        const std::size_t prefix = NcNameLength(rest);
        if (prefix == 0 || prefix == rest.size() || rest[prefix] != ':') return prefix;
        if (prefix + 1 < rest.size() && rest[prefix + 1] == '*') return prefix + 2;
        const std::size_t local = NcNameLength(rest.substr(prefix + 1));
        return local == 0 ? prefix : prefix + 1 + local;
    }

    void Name() {
        if (AfterOperand()) {
            const std::size_t length = NcNameLength(m_in.substr(m_at));
            const std::string_view word = m_in.substr(m_at, length);
            if (word == "and") return Add(Kind::kAnd, length);
            if (word == "or") return Add(Kind::kOr, length);
            if (word == "mod") return Add(Kind::kMod, length);
            if (word == "div") return Add(Kind::kDiv, length);
            Refuse();
        }
        const std::size_t length = QNameLength();
        if (length == 0) Refuse();
        const std::size_t end = m_at + length;
        std::size_t after = end;
        while (after < m_in.size() && IsXmlSpace(m_in[after]))
            ++after;
        const bool wildcard = m_in[end - 1] == '*';
        if (!wildcard && after < m_in.size() && m_in[after] == '(')
            return Add(Kind::kFunction, length);
        if (!wildcard && m_in.compare(after, 2, "::") == 0) return Add(Kind::kAxis, length);
        Add(Kind::kName, length);
    }

    std::string_view m_in;
    std::size_t m_at = 0;
    std::vector<XPathTokenText> m_tokens;
};

}  // namespace

std::vector<XPathTokenText> TokenizeXPath(std::string_view text) {
    return Lexer(text).Run();
}

}  // namespace engine::query
