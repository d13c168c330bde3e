#include "xml_names.h"

#include <common/utf8.h>

namespace engine::query {

bool IsNameStartChar(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStartChar(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

char32_t DecodeAt(std::string_view text, std::size_t& at) {
    char32_t c;
    utf8::Next(reinterpret_cast<const unsigned char*>(text.data()), text.size(), at, c,
               utf8::Invalid::kReplace);
    return c;
}

std::size_t NcNameLength(std::string_view text) {
    std::size_t at = 0;
    if (at == text.size() || !IsNameStartChar(DecodeAt(text, at))) return 0;
    std::size_t length = at;
    while (at < text.size() && IsNameChar(DecodeAt(text, at)))
        length = at;
    return length;
}

bool IsNcName(std::string_view text) {
    return !text.empty() && NcNameLength(text) == text.size();
}

}  // namespace engine::query
