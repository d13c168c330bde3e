#include "name_cache.h"

namespace engine::tree {

std::size_t NameCache::Slot(const void* local, const void* prefix, const void* uri) const {
    std::uint64_t hash = reinterpret_cast<std::uintptr_t>(local) * 0x9E3779B97F4A7C15ull;
    hash ^= reinterpret_cast<std::uintptr_t>(prefix) * 0xC2B2AE3D27D4EB4Full;
    hash ^= reinterpret_cast<std::uintptr_t>(uri) * 0x165667B19E3779F9ull;
    hash ^= hash >> 29;
    const std::size_t mask = m_entries.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hash) & mask;
    while (m_entries[slot].local &&
           (m_entries[slot].local != local || m_entries[slot].prefix != prefix ||
            m_entries[slot].uri != uri)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

ExpandedNameId NameCache::Find(const void* local, const void* prefix, const void* uri,
                               bool& found) const {
    found = false;
    if (m_entries.empty() || !local) return 0;
    const Entry& entry = m_entries[Slot(local, prefix, uri)];
    found = entry.local != nullptr;
    return found ? entry.name : 0;
}

void NameCache::Add(const void* local, const void* prefix, const void* uri, ExpandedNameId name) {
    if (!local) return;
    if (2 * (m_used + 1) > m_entries.size()) {
        std::vector<Entry> entries(m_entries.empty() ? 64 : 2 * m_entries.size(), Entry{});
        entries.swap(m_entries);
        for (const Entry& entry : entries) {
            if (entry.local) m_entries[Slot(entry.local, entry.prefix, entry.uri)] = entry;
        }
    }
    Entry& entry = m_entries[Slot(local, prefix, uri)];
    if (!entry.local) ++m_used;
    entry = {local, prefix, uri, name};
}

}  // namespace engine::tree
