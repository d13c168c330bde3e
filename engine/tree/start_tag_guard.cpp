#include "start_tag_guard.h"

#include "limits.h"

namespace engine::tree {

bool PastAttributeLimit(const xmlParserCtxt* parser) {
#if LIBXML_VERSION < 21200
    // The tag's attributes take five entries each; libxml2 makes room for
    // more when the n'th does not fit, for 10 n + 10 entries. Namespaces in
    // scope take two entries each.
    return static_cast<unsigned>(parser->maxatts) > 10u * kMaxAttributes + 10u ||
           static_cast<unsigned>(parser->nsNr) > 2u * kMaxAttributes;
#else
    (void)parser;
    return false;
#endif
}

}  // namespace engine::tree
