#include "name_table.h"

#include <algorithm>
#include <cstring>

namespace engine::tree {
namespace {

// Blocks of names start small and double up to the largest size.
constexpr std::size_t kFirstBlock = 1024;
constexpr std::size_t kLargestBlock = 64 * 1024;

}  // namespace

NameTable::NameTable() {
    m_names.emplace_back();
    m_ids.emplace(std::string_view(), 0);
    m_expanded.push_back({0, 0});
    m_expandedIds.emplace(Key(0, 0), 0);
}

ExpandedNameId NameTable::Expanded(NameId qualified, NameId uri) {
    const auto found = m_expandedIds.find(Key(qualified, uri));
    if (found != m_expandedIds.end()) return found->second;
    const auto id = static_cast<ExpandedNameId>(m_expanded.size());
    m_expanded.push_back({qualified, uri});
    try {
        m_expandedIds.emplace(Key(qualified, uri), id);
    } catch (...) {
        m_expanded.pop_back();
        throw;
    }
    return id;
}

NameId NameTable::Intern(std::string_view name) {
    const auto found = m_ids.find(name);
    if (found != m_ids.end()) return found->second;
    if (name.size() > m_free) {
        const std::size_t next = std::min(kLargestBlock, std::max(kFirstBlock, 2 * m_charBytes));
        const std::size_t size = std::max(next, name.size());
        m_chars.reserve(m_chars.size() + 1);
        m_chars.emplace_back(new char[size]);
        m_next = m_chars.back().get();
        m_free = size;
        m_charBytes += size;
    }
    char* copy = m_next;
    if (!name.empty()) std::memcpy(copy, name.data(), name.size());
    m_next += name.size();
    m_free -= name.size();
    const std::string_view stored(copy, name.size());
    const auto id = static_cast<NameId>(m_names.size());
    m_names.push_back(stored);
    try {
        m_ids.emplace(stored, id);
    } catch (...) {
        m_names.pop_back();
        throw;
    }
    return id;
}

std::size_t NameTable::Allocated() const {
    // A view per name, and a hash node with its bucket per name.
    return m_charBytes + m_names.capacity() * sizeof(std::string_view) +
           m_ids.size() * (sizeof(std::string_view) + 2 * sizeof(void*) + sizeof(NameId)) +
           m_ids.bucket_count() * sizeof(void*) + m_expanded.capacity() * sizeof(Pair) +
           m_expandedIds.size() * (sizeof(std::uint64_t) + 2 * sizeof(void*)) +
           m_expandedIds.bucket_count() * sizeof(void*);
}

NameId NameTable::Find(std::string_view name, bool& found) const {
    const auto it = m_ids.find(name);
    found = it != m_ids.end();
    return found ? it->second : 0;
}

std::string_view NameTable::Prefix(NameId id) const {
    const std::string_view name = m_names[id];
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string_view NameTable::Local(NameId id) const {
    const std::string_view name = m_names[id];
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace engine::tree
