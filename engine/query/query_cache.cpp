#include "query_cache.h"

namespace engine::query {

QueryCache::Entry* QueryCache::Find(std::wstring_view text) {
    const auto found = m_byText.find(text);
    if (found == m_byText.end()) return nullptr;
    m_recent.splice(m_recent.begin(), m_recent, found->second);
    return &*found->second;
}

QueryCache::Entry& QueryCache::Add(std::wstring_view text) {
    if (m_recent.size() >= m_capacity) {
        // The oldest entry's list node is reused for the new one.
        m_byText.erase(m_recent.back().text);
        m_recent.splice(m_recent.begin(), m_recent, std::prev(m_recent.end()));
    } else {
        m_recent.emplace_front();
    }
    Entry& entry = m_recent.front();
    try {
        entry.text.assign(text);
        entry.query = CompiledQuery();
        entry.valid = false;
        m_byText.emplace(entry.text, m_recent.begin());
    } catch (...) {
        m_recent.pop_front();
        throw;
    }
    return entry;
}

}  // namespace engine::query
