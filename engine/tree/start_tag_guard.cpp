#include "start_tag_guard.h"

#include "limits.h"

namespace engine::tree {

bool PastAttributeLimit(const xmlParserCtxt* parser) {
#if LIBXML_VERSION < 21200
    // The tag's attributes take five entries each, and the room for them
    // grows to twice what the tag needs: more than ten entries for each
    // attribute the limit allows mean a tag past it. Namespaces take two.
    return static_cast<unsigned>(parser->maxatts) > 10u * kMaxAttributes ||
           static_cast<unsigned>(parser->nsNr) > 2u * kMaxAttributes;
#else
    (void)parser;
    return false;
#endif
}

}  // namespace engine::tree
