#include "declared_encoding.h"

#include "xml_chars.h"

namespace engine::tree {

std::string DeclaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml") return {};
    const std::size_t end = text.find("?>");
    const std::size_t name = text.find("encoding", 5);
    if (end == std::string_view::npos || name == std::string_view::npos || name > end) return {};
    std::size_t i = name + 8;
    while (i < end && (IsXmlSpace(text[i]) || text[i] == '='))
        ++i;
    if (i >= end || (text[i] != '"' && text[i] != '\'')) return {};
    const std::size_t close = text.find(text[i], i + 1);
    if (close == std::string_view::npos || close > end) return {};
    return std::string(text.substr(i + 1, close - i - 1));
}

}  // namespace engine::tree
