// The tokens of the pattern language, read from its UTF-8 text: every byte
// of a non-ASCII character counts as a name character, so that names the
// document writes in any script can be named (and are compared as text).
#ifndef FLATDOM_ENGINE_QUERY_PATTERN_LEXER_H
#define FLATDOM_ENGINE_QUERY_PATTERN_LEXER_H

#include <string_view>
#include <vector>

namespace engine::query {

// The operators, in their $op$ and symbol forms.
enum class PatternOp {
    kOr,
    kAnd,
    kNot,
    kAny,
    kAll,
    kUnion,
    kEq,  // the comparisons from here on, in this order
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

enum class PatternToken {
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
    PatternToken kind = PatternToken::kEnd;
    std::string_view text;  // names, numbers; literals without their quotes
    PatternOp op = PatternOp::kOr;
};

// The tokens of text, the last one kEnd. Throws CompileError for a character
// that begins no token, an unclosed literal or an unknown $op$.
std::vector<Token> TokenizePattern(std::string_view text);

}  // namespace engine::query

#endif
