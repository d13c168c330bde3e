// A node and its descendants as XML text (get_xml): elements with their
// namespace declarations and attributes, text escaped, the document's
// children one a line.
#ifndef FLATDOM_ENGINE_TREE_XML_WRITER_H
#define FLATDOM_ENGINE_TREE_XML_WRITER_H

#include <string>

#include "document_tree.h"

namespace engine::tree {

// UTF-8.
std::string XmlOf(const DocumentTree& tree, NodeId node);

}  // namespace engine::tree

#endif
