// The character classes the whole engine reads with: byte by byte over UTF-8,
// XML's white space (space, tab, carriage return, line feed: what XML, XPath
// and the pattern language all call white space) and the ASCII digits; by
// code point, the characters of XML and of its names (XML 1.0, fifth
// edition), which go beyond ASCII.
#ifndef FLATDOM_ENGINE_TREE_XML_CHARS_H
#define FLATDOM_ENGINE_TREE_XML_CHARS_H

#include <cstdint>
#include <string_view>

namespace engine {

constexpr bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// A character XML allows (the Char production).
constexpr bool IsXmlCharCode(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// A character that may start a name without a colon (NameStartChar less
// ':'), or continue one (NameChar less ':').
constexpr bool IsNameStartCode(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}
constexpr bool IsNameCode(char32_t c) {
    return IsNameStartCode(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Whether text is white space alone (so is empty text).
inline bool IsBlank(std::string_view text) {
    constexpr std::uint64_t kSpaces = (std::uint64_t{1} << ' ') | (std::uint64_t{1} << '\t') |
                                      (std::uint64_t{1} << '\r') | (std::uint64_t{1} << '\n');
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' || ((kSpaces >> byte) & 1) == 0) return false;
    }
    return true;
}

}  // namespace engine

#endif
