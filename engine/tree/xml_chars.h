// The character classes the whole engine reads with, byte by byte over UTF-8:
// XML's white space (space, tab, carriage return, line feed: what XML, XPath
// and the pattern language all call white space) and the ASCII digits.
// Names, whose characters go beyond ASCII, are classed by code point
// (engine/query/xml_names.h).
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
