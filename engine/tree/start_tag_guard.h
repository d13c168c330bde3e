// libxml2 up to 2.11 checks a start tag's attributes (and namespace
// declarations) for duplicates once it has read them all, in time quadratic in
// their number: 100,000 attributes take 2.7 s, and the 1.4 million that fit in
// the longest tag it reads (10,000,000 bytes) about 9 minutes. While it reads
// a long tag it asks for more input; the guard, asked then, tells from the
// room libxml2 made for the tag's attributes whether the tag is past
// kMaxAttributes. Where libxml2 reads on to its check all the same, the
// check is no dearer than for a tag at the limit (1.2 s); a longer tag is
// not read any further. An entity's text, read from memory, is looked at
// before it is read.
#ifndef FLATDOM_ENGINE_TREE_START_TAG_GUARD_H
#define FLATDOM_ENGINE_TREE_START_TAG_GUARD_H

#include <libxml/parser.h>

#include <cstddef>
#include <string_view>

namespace engine::tree {

// True when the start tag libxml2 reads has more attributes than
// kMaxAttributes, or more namespaces are in scope than that; always false
// from libxml2 2.12 on, whose check is linear.
bool PastAttributeLimit(const xmlParserCtxt* parser);

// The most attributes and namespace declarations one start tag of markup
// has (an entity's text, which libxml2 reads from memory, asking for no
// input): their '=' signs outside quotes, in each tag.
std::size_t MostAttributesInATag(std::string_view markup);

}  // namespace engine::tree

#endif
