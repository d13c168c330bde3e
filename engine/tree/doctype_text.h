// The DOCTYPE of a parsed document as its XML text writes it: the internal
// subset as libxml2 writes its DTD, which keeps the entity references of
// attribute defaults as the document wrote them, every value escaped so that
// it parses again to the same declarations.
#ifndef FLATDOM_ENGINE_TREE_DOCTYPE_TEXT_H
#define FLATDOM_ENGINE_TREE_DOCTYPE_TEXT_H

#include <libxml/tree.h>

#include <string>

namespace engine::tree {

// Empty for a document without a DOCTYPE. Throws std::bad_alloc when memory
// runs out.
std::string DoctypeText(xmlDocPtr doc);

}  // namespace engine::tree

#endif
