#include "text_store.h"

#include <cstring>

#include "limits.h"

namespace engine::tree {
namespace {

// Texts up to this size share blocks; a longer one would leave too much of a
// block unused when it does not fit, and gets a block of its own.
constexpr std::size_t kShared = 64 * 1024;

}  // namespace

char* TextStore::NewBlock(std::size_t size) {
    const std::size_t units = (size + kUnit - 1) / kUnit;
    if ((m_units.size() + units) * kUnit > kMaxTextBytes) return nullptr;
    m_blocks.reserve(m_blocks.size() + 1);
    m_units.reserve(m_units.size() + units);
    m_blocks.emplace_back(new char[units * kUnit]);
    m_allocated += units * kUnit;
    char* block = m_blocks.back().get();
    for (std::size_t i = 0; i < units; ++i)
        m_units.push_back(block + i * kUnit);
    return block;
}

bool TextStore::Add(std::string_view text, TextRef& ref) {
    ref = 0;
    if (text.empty()) return true;
    if (text.size() > kShared) {
        char* block = NewBlock(text.size());
        if (!block) return false;
        std::memcpy(block, text.data(), text.size());
        ref = static_cast<TextRef>((m_units.size() - (text.size() + kUnit - 1) / kUnit) * kUnit);
        return true;
    }
    if (text.size() > kUnit - m_used) {
        char* block = NewBlock(kUnit);
        if (!block) return false;
        m_current = block;
        m_currentUnit = m_units.size() - 1;
        m_used = 0;
    }
    std::memcpy(m_current + m_used, text.data(), text.size());
    ref = static_cast<TextRef>(m_currentUnit * kUnit + m_used);
    m_used += text.size();
    return true;
}

}  // namespace engine::tree
