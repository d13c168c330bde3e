#include "xml_names.h"

#include <common/utf8.h>

#include "engine/tree/xml_chars.h"

namespace engine::query {

char32_t DecodeAt(std::string_view text, std::size_t& at) {
    char32_t c;
    utf8::Next(reinterpret_cast<const unsigned char*>(text.data()), text.size(), at, c,
               utf8::Invalid::kReplace);
    return c;
}

std::size_t NcNameLength(std::string_view text) {
    std::size_t at = 0;
    if (at == text.size() || !IsNameStartCode(DecodeAt(text, at))) return 0;
    std::size_t length = at;
    while (at < text.size() && IsNameCode(DecodeAt(text, at)))
        length = at;
    return length;
}

bool IsNcName(std::string_view text) {
    return !text.empty() && NcNameLength(text) == text.size();
}

}  // namespace engine::query
