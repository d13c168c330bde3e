// XML's names (XML 1.0, fifth edition) over UTF-8 text, for the parsers and
// the selection settings; their characters are engine/tree/xml_chars.h's. No libxml2 call is made:
// its checks report through its error handlers.
#ifndef FLATDOM_ENGINE_QUERY_XML_NAMES_H
#define FLATDOM_ENGINE_QUERY_XML_NAMES_H

#include <cstddef>
#include <string_view>

namespace engine::query {

// The code point of UTF-8 text at text[at], moving at past it; text that is
// not UTF-8 decodes as U+FFFD, one byte at a time.
char32_t DecodeAt(std::string_view text, std::size_t& at);

// The length of the name without a colon at the start of text (0: none).
std::size_t NcNameLength(std::string_view text);
bool IsNcName(std::string_view text);

}  // namespace engine::query

#endif
