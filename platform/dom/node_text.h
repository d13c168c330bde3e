// What get_text reports for a node, following the Windows engine where the
// contract leaves it open:
// - attributes, CDATA sections, comments and processing instructions: their
//   content as it stands;
// - text nodes: their content without XML white space at either end;
// - elements and the document: the text and CDATA of every descendant in
//   document order, where a text node of white space only stands for one
//   space (none when the text node before it was white space only too),
//   without the white space that text nodes put at either end.
#ifndef FLATDOM_PLATFORM_DOM_NODE_TEXT_H
#define FLATDOM_PLATFORM_DOM_NODE_TEXT_H

#include <libxml/tree.h>

#include <string>

namespace platform::dom {

// UTF-8.
std::string TextOf(xmlNodePtr node);

}  // namespace platform::dom

#endif
