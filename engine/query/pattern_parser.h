// The pattern language, the Windows engine's default query language, read
// into the compiled form:
// - names match nodes by the name written in the document, prefix and all,
//   without resolving namespaces ("item" finds <item xmlns="urn:x"/>,
//   "p:item" finds <p:item/> whatever p stands for), but for prefixes the
//   host bound with SelectionNamespaces, which match by namespace;
// - a number in brackets is a 0-based index among the nodes of its step:
//   item[0] is the first item of each parent, (//item)[0] the first of all;
// - methods index(), end(), nodeName(), nodeType(), value(), number(),
//   date(), ancestor(name), also written after "!" (item!nodeName());
// - collections node(), element(), attribute(), textnode(), cdata(),
//   comment(), pi(), entityref(), element, attribute, pi and entityref with
//   a name ("element('item')"); attribute() keeps its axis (on the child
//   axis, which is the default, it selects the attributes);
// - operators in symbol and $op$ form: and $and$ &&, or $or$ ||, $not$,
//   = $eq$, != $ne$, < $lt$, <= $le$, > $gt$, >= $ge$; the case-insensitive
//   $ieq$ $ine$ $ilt$ $ile$ $igt$ $ige$ (ASCII letters folded, compared as
//   text); $any$ and $all$ before a comparison; unions with | or $union$;
// - XPath 1.0's functions and axes, with their XPath meaning.
// Precedence, highest first: grouping, filters, "!", paths, $any$ $all$,
// comparisons, $not$, and, or.
#ifndef FLATDOM_ENGINE_QUERY_PATTERN_PARSER_H
#define FLATDOM_ENGINE_QUERY_PATTERN_PARSER_H

#include <string_view>

#include "compiled_query.h"
#include "engine/tree/name_table.h"
#include "selection_settings.h"

namespace engine::query {

// Compiles pattern (UTF-8) into query; false, with query unusable, when the
// pattern is not valid or nests too deep.
bool CompilePattern(std::string_view pattern, const SelectionSettings& settings,
                    const tree::NameTable& names, CompiledQuery& query);

}  // namespace engine::query

#endif
