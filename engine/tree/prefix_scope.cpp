#include "prefix_scope.h"

namespace engine::tree {

void PrefixScope::Start(const void* const* declarations, std::size_t count) {
    m_starts.push_back(m_declared.size());
    for (std::size_t i = 0; i < count; ++i) {
        const void* prefix = declarations[2 * i];
        m_declared.push_back(prefix);
        m_bindings[prefix].push_back(declarations[2 * i + 1]);
    }
}

void PrefixScope::Declare(const void* prefix, const void* uri) {
    m_declared.push_back(prefix);
    m_bindings[prefix].push_back(uri);
}

void PrefixScope::End() {
    if (m_starts.empty()) return;
    for (std::size_t i = m_starts.back(); i < m_declared.size(); ++i)
        m_bindings[m_declared[i]].pop_back();
    m_declared.resize(m_starts.back());
    m_starts.pop_back();
}

const void* PrefixScope::Find(const void* prefix) const {
    const auto found = m_bindings.find(prefix);
    return found == m_bindings.end() || found->second.empty() ? nullptr : found->second.back();
}

}  // namespace engine::tree
