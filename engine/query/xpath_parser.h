// XPath 1.0 (a document's SelectionLanguage set to "XPath"), read into the
// compiled form. An unprefixed name means no namespace; a prefix means the
// namespace that SelectionNamespaces binds it to, or else the one declared
// for it where the query runs from, looked up when it runs ("xml" is always
// the XML namespace). Numbers may carry an exponent ("1e3"), as libxml2 read
// them here before. Unknown functions and variables (there are none) are
// refused when the query is compiled.
#ifndef FLATDOM_ENGINE_QUERY_XPATH_PARSER_H
#define FLATDOM_ENGINE_QUERY_XPATH_PARSER_H

#include <string_view>

#include "compiled_query.h"
#include "engine/tree/name_table.h"

namespace engine::query {

// Compiles expression (UTF-8) into query; false, with query unusable, when
// the expression is not valid XPath 1.0, or nests too deep.
bool CompileXPath(std::string_view expression, const tree::NameTable& names, CompiledQuery& query);

}  // namespace engine::query

#endif
