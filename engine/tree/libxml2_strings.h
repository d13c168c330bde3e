// libxml2's strings (UTF-8 bytes as xmlChar) as the engine's own.
#ifndef FLATDOM_ENGINE_TREE_LIBXML2_STRINGS_H
#define FLATDOM_ENGINE_TREE_LIBXML2_STRINGS_H

#include <libxml/xmlstring.h>

#include <string_view>

namespace engine::tree {

inline const char* Chars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

// Empty for null.
inline std::string_view View(const xmlChar* text) {
    return text ? std::string_view(Chars(text)) : std::string_view();
}

}  // namespace engine::tree

#endif
