#include "compiled_query.h"
#include "functions.h"

#include <algorithm>
#include <iterator>

namespace engine::query {
namespace {

constexpr auto kNodes = ValueType::kNodeSet;
constexpr auto kBoolean = ValueType::kBoolean;
constexpr auto kNumber = ValueType::kNumber;
constexpr auto kString = ValueType::kString;
constexpr std::uint8_t kMany = 255;

struct Named {
    const char* name;
    FunctionInfo info;
};

// By Function, in its order.
constexpr Named kFunctions[] = {
    {"", {Function::kNone, 0, 0, kBoolean, false, false}},
    {"last", {Function::kLast, 0, 0, kNumber, false, true}},
    {"position", {Function::kPosition, 0, 0, kNumber, false, true}},
    {"count", {Function::kCount, 1, 1, kNumber, true, false}},
    {"id", {Function::kId, 1, 1, kNodes, false, false}},
    {"local-name", {Function::kLocalName, 0, 1, kString, true, false}},
    {"namespace-uri", {Function::kNamespaceUri, 0, 1, kString, true, false}},
    {"name", {Function::kName, 0, 1, kString, true, false}},
    {"string", {Function::kString, 0, 1, kString, false, false}},
    {"concat", {Function::kConcat, 2, kMany, kString, false, false}},
    {"starts-with", {Function::kStartsWith, 2, 2, kBoolean, false, false}},
    {"contains", {Function::kContains, 2, 2, kBoolean, false, false}},
    {"substring-before", {Function::kSubstringBefore, 2, 2, kString, false, false}},
    {"substring-after", {Function::kSubstringAfter, 2, 2, kString, false, false}},
    {"substring", {Function::kSubstring, 2, 3, kString, false, false}},
    {"string-length", {Function::kStringLength, 0, 1, kNumber, false, false}},
    {"normalize-space", {Function::kNormalizeSpace, 0, 1, kString, false, false}},
    {"translate", {Function::kTranslate, 3, 3, kString, false, false}},
    {"boolean", {Function::kBoolean, 1, 1, kBoolean, false, false}},
    {"not", {Function::kNot, 1, 1, kBoolean, false, false}},
    {"true", {Function::kTrue, 0, 0, kBoolean, false, false}},
    {"false", {Function::kFalse, 0, 0, kBoolean, false, false}},
    {"lang", {Function::kLang, 1, 1, kBoolean, false, false}},
    {"number", {Function::kNumber, 0, 1, kNumber, false, false}},
    {"sum", {Function::kSum, 1, 1, kNumber, true, false}},
    {"floor", {Function::kFloor, 1, 1, kNumber, false, false}},
    {"ceiling", {Function::kCeiling, 1, 1, kNumber, false, false}},
    {"round", {Function::kRound, 1, 1, kNumber, false, false}},
    {"", {Function::kIndex, 0, 0, kNumber, false, true}},
    {"", {Function::kEnd, 0, 0, kBoolean, false, true}},
    {"", {Function::kNodeType, 0, 1, kNumber, true, false}},
};

}  // namespace

const FunctionInfo* FindXPathFunction(std::string_view name) {
    if (name.empty()) return nullptr;
    const auto* found = std::find_if(std::begin(kFunctions), std::end(kFunctions),
                                     [&](const Named& f) { return name == f.name; });
    return found == std::end(kFunctions) ? nullptr : &found->info;
}

const FunctionInfo& InfoOf(Function function) {
    return kFunctions[static_cast<std::size_t>(function)].info;
}

}  // namespace engine::query
