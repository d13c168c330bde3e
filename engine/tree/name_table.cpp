#include "name_table.h"

#include <algorithm>
#include <cstring>

namespace engine::tree {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

NameTable::NameTable() {
    m_names.emplace_back();
    m_ids.emplace(std::string_view(), 0);
}

NameId NameTable::Intern(std::string_view name) {
    const auto found = m_ids.find(name);
    if (found != m_ids.end()) return found->second;
    if (name.size() > m_free) {
        const std::size_t size = std::max(kBlock, name.size());
        m_chars.emplace_back(new char[size]);
        m_next = m_chars.back().get();
        m_free = size;
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
