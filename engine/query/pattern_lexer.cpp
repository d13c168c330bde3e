#include "pattern_lexer.h"

#include <algorithm>
#include <iterator>

#include "engine/tree/xml_chars.h"
#include "query_limits.h"

namespace engine::query {
namespace {

using Kind = PatternToken;
using Op = PatternOp;

// The bytes of a name: any byte of a character beyond ASCII (the parser
// checks the whole name by code point, xml_names.h).
bool IsNameStartByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameByte(char c) {
    return IsNameStartByte(c) || IsAsciiDigit(c) || c == '-' || c == '.';
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

}  // namespace

std::vector<Token> TokenizePattern(std::string_view in) {
    std::vector<Token> tokens;
    tokens.reserve(in.size() / 4 + 4);
    std::size_t i = 0;
    auto add = [&](Kind kind, std::size_t length, Op op = Op::kOr) {
        tokens.push_back({kind, in.substr(i, length), op});
        i += length;
    };
    auto next = [&](std::size_t k) { return i + k < in.size() ? in[i + k] : '\0'; };
    auto digits = [&](std::size_t from) {
        while (IsAsciiDigit(next(from)))
            ++from;
        return from;
    };
    while (true) {
        while (i < in.size() && IsXmlSpace(in[i]))
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
                if (next(1) != '&') Refuse();
                add(Kind::kOperator, 2, Op::kAnd);
                break;
            case '\'':
            case '"': {
                const std::size_t close = in.find(c, i + 1);
                if (close == std::string_view::npos) Refuse();
                tokens.push_back({Kind::kLiteral, in.substr(i + 1, close - i - 1), Op::kOr});
                i = close + 1;
                break;
            }
            case '$': {
                const std::size_t close = in.find('$', i + 1);
                if (close == std::string_view::npos) Refuse();
                const std::string_view name = in.substr(i + 1, close - i - 1);
                const auto* found =
                    std::find_if(std::begin(kDollarOperators), std::end(kDollarOperators),
                                 [&](const DollarOperator& o) { return name == o.name; });
                if (found == std::end(kDollarOperators)) Refuse();
                add(Kind::kOperator, close + 1 - i, found->op);
                break;
            }
            case '.':
                if (IsAsciiDigit(next(1))) {
                    add(Kind::kNumber, digits(1));
                } else {
                    next(1) == '.' ? add(Kind::kDotDot, 2) : add(Kind::kDot, 1);
                }
                break;
            default:
                if (IsAsciiDigit(c)) {
                    std::size_t length = digits(1);
                    if (next(length) == '.') length = digits(length + 1);
                    add(Kind::kNumber, length);
                } else if (IsNameStartByte(c)) {
                    std::size_t length = 1;
                    while (IsNameByte(next(length)))
                        ++length;
                    add(Kind::kName, length);
                } else {
                    Refuse();
                }
        }
    }
    tokens.push_back({Kind::kEnd, {}, Op::kOr});
    return tokens;
}

}  // namespace engine::query
