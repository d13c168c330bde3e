// The tokens of XPath 1.0, with its rule for telling operators from names:
// after a token that ends an operand, "*" multiplies and "and", "or", "div"
// and "mod" are operators; elsewhere they are names.
#ifndef FLATDOM_ENGINE_QUERY_XPATH_LEXER_H
#define FLATDOM_ENGINE_QUERY_XPATH_LEXER_H

#include <string_view>
#include <vector>

namespace engine::query {

enum class XPathToken {
    kEnd,
    kOpen,
    kClose,
    kOpenBracket,
    kCloseBracket,
    kDot,
    kDotDot,
    kAt,
    kComma,
    kDoubleColon,
    kSlash,
    kDoubleSlash,
    kPipe,
    kPlus,
    kMinus,
    kEq,
    kNe,
    kLt,
    kLe,
    kGt,
    kGe,
    kAnd,
    kOr,
    kMod,
    kDiv,
    kMultiply,
    kLiteral,   // text without the quotes
    kNumber,    // text as written
    kVariable,  // $name: text without the $
    kStar,      // the name test *
    kName,      // a name test: prefix:local, local or prefix:*
    kFunction,  // a name before "(": a function or a node type
    kAxis,      // a name before "::"
};

struct XPathTokenText {
    XPathToken kind = XPathToken::kEnd;
    std::string_view text;
};

// The tokens of text, the last one kEnd. Throws CompileError where no token
// can be read.
std::vector<XPathTokenText> TokenizeXPath(std::string_view text);

}  // namespace engine::query

#endif
