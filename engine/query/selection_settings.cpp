#include "selection_settings.h"

#include <common/utf8.h>

#include "engine/tree/xml_chars.h"
#include "xml_names.h"

namespace engine::query {

bool ParseNamespaceBindings(std::wstring_view text, std::vector<NamespaceBinding>& bindings) {
    const std::string in = utf8::FromWide(text.data(), text.size());
    std::vector<NamespaceBinding> found;
    std::size_t i = 0;
    while (true) {
        while (i < in.size() && IsXmlSpace(in[i]))
            ++i;
        if (i == in.size()) break;
        if (in.compare(i, 5, "xmlns") != 0) return false;
        i += 5;
        std::string prefix;
        if (i < in.size() && in[i] == ':') {
            const std::size_t start = ++i;
            while (i < in.size() && in[i] != '=' && !IsXmlSpace(in[i]))
                ++i;
            prefix = in.substr(start, i - start);
            if (!IsNcName(prefix) || prefix == "xmlns") return false;
        }
        if (i + 1 >= in.size() || in[i] != '=' || (in[i + 1] != '\'' && in[i + 1] != '"')) {
            return false;
        }
        const char quote = in[i + 1];
        const std::size_t close = in.find(quote, i + 2);
        if (close == std::string::npos) return false;
        std::string uri = in.substr(i + 2, close - i - 2);
        i = close + 1;
        if (i < in.size() && !IsXmlSpace(in[i])) return false;
        if (!prefix.empty()) found.push_back({std::move(prefix), std::move(uri)});
    }
    bindings = std::move(found);
    return true;
}

}  // namespace engine::query
