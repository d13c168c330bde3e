// What get_text reports for a node, as the Windows engine reports it:
// - attributes, CDATA sections, comments and processing instructions: their
//   content as it stands;
// - text nodes: their content without white space at either end (even
//   under xml:space="preserve");
// - elements and the document: the text and CDATA of every descendant in
//   document order. Where the builder dropped a text node of white space
//   only (kBlankAfter, kBlankFirstChild), one space stands between the pieces
//   of text around it, if the element already had text before it. The result
//   loses the white space at either end, but not that of a CDATA section, and
//   keeps it all under xml:space="preserve".
#ifndef FLATDOM_ENGINE_TREE_NODE_TEXT_H
#define FLATDOM_ENGINE_TREE_NODE_TEXT_H

#include <string>

#include "document_tree.h"

namespace engine::tree {

// UTF-8.
std::string TextOf(const DocumentTree& tree, NodeId node);

}  // namespace engine::tree

#endif
