// A node and its descendants as XML text (get_xml): elements with their
// namespace declarations and attributes, every value escaped so that the
// text reads back as the same nodes, the document's children one a line.
#ifndef FLATDOM_ENGINE_TREE_XML_WRITER_H
#define FLATDOM_ENGINE_TREE_XML_WRITER_H

#include <string>
#include <string_view>

#include "document_tree.h"

namespace engine::tree {

// UTF-8.
std::string XmlOf(const DocumentTree& tree, NodeId node);

// Appends value as it stands between double quotes in an attribute value:
// markup characters, quotes and white space other than the space as
// references, so that it reads back the same. UTF-8.
void AppendAttributeValue(std::string& xml, std::string_view value);

}  // namespace engine::tree

#endif
