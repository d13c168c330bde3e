// The encoding a document's text names in its XML declaration, read before
// the parse: text already decoded to UTF-8 is parsed as UTF-8 whatever it
// declares, and its XML text still names the encoding it declared.
#ifndef FLATDOM_ENGINE_TREE_DECLARED_ENCODING_H
#define FLATDOM_ENGINE_TREE_DECLARED_ENCODING_H

#include <string>
#include <string_view>

namespace engine::tree {

// The encoding named in the XML declaration at the start of text; empty for
// none. Throws std::bad_alloc when memory runs out.
std::string DeclaredEncoding(std::string_view text);

}  // namespace engine::tree

#endif
