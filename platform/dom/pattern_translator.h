// The engine's default query language, the pattern language of the Windows
// engine, translated once per query into an XPath 1.0 expression that
// libxml2 compiles and runs:
// - names match nodes by the name written in the document, prefix and all,
//   without resolving namespaces ("item" finds <item xmlns="urn:x"/>,
//   "p:item" finds <p:item/> whatever p stands for);
// - a number in brackets is a 0-based index: item[0] is the first item;
// - methods index(), end(), nodeName(), nodeType(), value(), number(),
//   date(), ancestor(name), also written after "!" (item!nodeName());
// - collections node(), element(), attribute(), textnode(), cdata(),
//   comment(), pi(), entityref(), some with a name ("element('item')");
// - operators in symbol and $op$ form: and $and$ &&, or $or$ ||, $not$,
//   = $eq$, != $ne$, < $lt$, <= $le$, > $gt$, >= $ge$; the case-insensitive
//   $ieq$ $ine$ $ilt$ $ile$ $igt$ $ige$; $any$ and $all$ before a comparison;
//   unions with | or $union$;
// - XPath 1.0's functions and axes, with their XPath meaning.
// Precedence, highest first: grouping, filters, "!", paths, $any$ $all$,
// comparisons, $not$, and, or.
#ifndef FLATDOM_PLATFORM_DOM_PATTERN_TRANSLATOR_H
#define FLATDOM_PLATFORM_DOM_PATTERN_TRANSLATOR_H

#include <string>
#include <string_view>
#include <vector>

namespace platform::dom {

// What the translation needs to know of the tree and the document.
struct PatternContext {
    // Some element of the tree is in a default namespace: an unprefixed XPath
    // name test would miss it, so names are compared as text instead.
    bool defaultNamespaces = true;
    // Prefixes the host bound with the SelectionNamespaces property: names
    // with them match by namespace, as XPath does.
    std::vector<std::string> boundPrefixes;
};

// Extension functions the translation calls; pattern_functions.h registers
// them.
inline constexpr const char* kNodeTypeFunction = "flatdom-node-type";
inline constexpr const char* kCaseInsensitiveFunctions[] = {
    "flatdom-ieq", "flatdom-ine", "flatdom-ilt", "flatdom-ile", "flatdom-igt", "flatdom-ige"};

// The XPath expression of a pattern (UTF-8) in xpath; false when the pattern
// is not valid.
bool TranslatePattern(std::string_view pattern, const PatternContext& context, std::string& xpath);

}  // namespace platform::dom

#endif
