#include "start_tag_guard.h"

#include <algorithm>
#include <iterator>
#include <utility>

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

std::size_t MostAttributesInATag(std::string_view markup) {
    // Markup that is no start tag, and what ends it.
    constexpr std::pair<std::string_view, std::string_view> kOther[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"</", ">"}, {"<!", ">"}};
    std::size_t most = 0;
    for (std::size_t i = markup.find('<'); i != std::string_view::npos; i = markup.find('<', i)) {
        const std::string_view rest = markup.substr(i);
        const auto other = std::find_if(std::begin(kOther), std::end(kOther), [&](const auto& o) {
            return rest.substr(0, o.first.size()) == o.first;
        });
        if (other != std::end(kOther)) {
            const std::size_t close = markup.find(other->second, i + other->first.size());
            if (close == std::string_view::npos) break;
            i = close + other->second.size();
            continue;
        }
        std::size_t count = 0;
        char quote = 0;
        for (++i; i < markup.size() && (quote || markup[i] != '>'); ++i) {
            const char c = markup[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '=') {
                ++count;
            }
        }
        most = std::max(most, count);
    }
    return most;
}

}  // namespace engine::tree
