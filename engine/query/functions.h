// The functions a query may call: XPath 1.0's core library, and what the
// pattern language's methods stand for. Each has an arity and a result type
// that the parsers check when they build a query.
#ifndef FLATDOM_ENGINE_QUERY_FUNCTIONS_H
#define FLATDOM_ENGINE_QUERY_FUNCTIONS_H

#include <cstdint>
#include <string_view>

namespace engine::query {

enum class ValueType : std::uint8_t;

enum class Function : std::uint8_t {
    kNone,
    // XPath 1.0
    kLast,
    kPosition,
    kCount,
    kId,
    kLocalName,
    kNamespaceUri,
    kName,
    kString,
    kConcat,
    kStartsWith,
    kContains,
    kSubstringBefore,
    kSubstringAfter,
    kSubstring,
    kStringLength,
    kNormalizeSpace,
    kTranslate,
    kBoolean,
    kNot,
    kTrue,
    kFalse,
    kLang,
    kNumber,
    kSum,
    kFloor,
    kCeiling,
    kRound,
    // The pattern language: index() (the 0-based position), end() (the
    // last of its set), nodeType() (the DOM type of a node, 0 for none).
    kIndex,
    kEnd,
    kNodeType,
};

struct FunctionInfo {
    Function function;
    std::uint8_t minArguments;
    std::uint8_t maxArguments;  // 255: any number
    ValueType result;
    // The arguments must be node-sets (count, sum, the name functions).
    bool nodeSetArguments;
    // The value depends on the context position or size.
    bool positional;
};

// XPath's core function of that name; null for none.
const FunctionInfo* FindXPathFunction(std::string_view name);
const FunctionInfo& InfoOf(Function function);

}  // namespace engine::query

#endif
