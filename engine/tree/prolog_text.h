// What a parsed document's XML text writes before its root element, from
// what libxml2 kept of it: the XML declaration, and the DOCTYPE.
#ifndef FLATDOM_ENGINE_TREE_PROLOG_TEXT_H
#define FLATDOM_ENGINE_TREE_PROLOG_TEXT_H

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace engine::tree {

// The XML declaration's pseudo-attributes as the Windows engine writes them
// back: the version (1.0 where doc has none), and the encoding (empty: none)
// and the standalone declaration where the document had them. Throws
// std::bad_alloc when memory runs out.
std::string DeclarationText(xmlDocPtr doc, const std::string& encoding);
// The same from the declaration's parts: standalone -1 where it has none,
// else 0 (no) or 1 (yes).
std::string DeclarationText(std::string_view version, const std::string& encoding, int standalone);

// The DOCTYPE: the internal subset as libxml2 writes its DTD, which keeps
// the entity references of attribute defaults as the document wrote them,
// every value escaped so that it parses again to the same declarations.
// Empty for a document without a DOCTYPE. Throws std::bad_alloc when memory
// runs out.
std::string DoctypeText(xmlDocPtr doc);

}  // namespace engine::tree

#endif
