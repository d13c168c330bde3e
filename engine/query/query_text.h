// A host's query text (wide characters) as the UTF-8 the parsers read.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_TEXT_H
#define FLATDOM_ENGINE_QUERY_QUERY_TEXT_H

#include <string>
#include <string_view>

namespace engine::query {

// The query as UTF-8 in utf8; false for text that holds a character XML does
// not allow (a NUL or other control character, a lone surrogate, U+FFFE,
// U+FFFF, a value past U+10FFFF): such a query could match nothing in any
// document, and is refused rather than read.
bool QueryToUtf8(std::wstring_view query, std::string& utf8);

}  // namespace engine::query

#endif
