#include "query_text.h"

#include <common/utf8.h>

#include "engine/tree/xml_chars.h"

namespace engine::query {

bool QueryToUtf8(std::wstring_view query, std::string& utf8) {
    utf8.clear();
    // Most queries are printable ASCII: a character is a byte.
    std::size_t ascii = 0;
    while (ascii < query.size() && query[ascii] >= 0x20 && query[ascii] < 0x7F)
        ++ascii;
    if (ascii == query.size()) {
        utf8.assign(query.begin(), query.end());
        return true;
    }
    std::size_t bytes = 0;
    for (std::size_t at = 0; at < query.size();) {
        const char32_t c = utf8::NextWide(query.data(), query.size(), at);
        if (!IsXmlCharCode(c)) return false;
        bytes += utf8::EncodedSize(c);
    }
    utf8.reserve(bytes);
    for (std::size_t at = 0; at < query.size();)
        utf8::Append(utf8, utf8::NextWide(query.data(), query.size(), at));
    return true;
}

}  // namespace engine::query
