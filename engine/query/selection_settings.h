// How a document's queries are read: its SelectionLanguage and
// SelectionNamespaces properties.
#ifndef FLATDOM_ENGINE_QUERY_SELECTION_SETTINGS_H
#define FLATDOM_ENGINE_QUERY_SELECTION_SETTINGS_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine::query {

struct NamespaceBinding {
    std::string prefix;  // UTF-8
    std::string uri;
};

struct SelectionSettings {
    bool xpath = false;       // XPath 1.0 rather than the pattern language
    std::wstring namespaces;  // SelectionNamespaces as the host wrote it
    std::vector<NamespaceBinding> bindings;
};

// Reads SelectionNamespaces: declarations "xmlns:prefix='uri'" (either quote)
// separated by white space; a default namespace "xmlns='uri'" is allowed and
// binds nothing, as XPath names have no default namespace. False for anything
// else.
bool ParseNamespaceBindings(std::wstring_view text, std::vector<NamespaceBinding>& bindings);

}  // namespace engine::query

#endif
