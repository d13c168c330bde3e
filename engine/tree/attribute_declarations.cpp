#include "attribute_declarations.h"

#include <utility>

namespace engine::tree {

bool ElementDeclarations::Declare(DictionaryName attribute, bool id) {
    if (!m_declared.emplace(attribute, Declared{id, kNoDefault}).second) return false;
    if (id) ++m_ids;
    return true;
}

void ElementDeclarations::AddDefault(DictionaryName attribute, std::string value) {
    Declared& declared = m_declared.at(attribute);
    m_defaults.push_back({attribute, std::move(value), declared.id, {}});
    declared.defaultIndex = static_cast<std::uint32_t>(m_defaults.size() - 1);
}

bool ElementDeclarations::Present(DictionaryName attribute) {
    const auto found = m_declared.find(attribute);
    if (found == m_declared.end()) return false;
    if (found->second.defaultIndex != kNoDefault)
        m_defaults[found->second.defaultIndex].seen = m_epoch;
    return found->second.id;
}

}  // namespace engine::tree
