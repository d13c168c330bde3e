#include "text_store.h"

#include <algorithm>
#include <cstring>

namespace engine::tree {
namespace {

// The first block's first size.
constexpr std::size_t kFirstBlock = 4 * 1024;

std::size_t UnitsFor(std::size_t size) {
    return (size + TextStore::kUnit - 1) / TextStore::kUnit;
}

}  // namespace

TextStore::TextStore(std::uint64_t capacity)
    : m_maxUnits(static_cast<std::size_t>(std::min(capacity, kMaxTextBytes) / kUnit)) {}

char* TextStore::NewBlock(std::size_t units, std::size_t size) {
    if (units > m_maxUnits - m_units.size()) return nullptr;
    m_blocks.reserve(m_blocks.size() + 1);
    m_units.reserve(m_units.size() + units);
    m_blocks.emplace_back(new char[size]);
    m_allocated += size;
    char* block = m_blocks.back().get();
    for (std::size_t i = 0; i < units; ++i)
        m_units.push_back(block + i * kUnit);
    return block;
}

bool TextStore::GrowFirstBlock(std::size_t size) {
    if (!m_current || m_currentUnit != 0 || m_currentSize == kUnit) return false;
    std::size_t grown = m_currentSize;
    while (grown < m_used + size)
        grown *= 2;
    grown = std::min(grown, kUnit);
    if (grown < m_used + size) return false;
    std::unique_ptr<char[]> block(new char[grown]);
    std::memcpy(block.get(), m_current, m_used);
    m_allocated += grown - m_currentSize;
    m_current = block.get();
    m_units[0] = m_current;
    m_blocks[0] = std::move(block);
    m_currentSize = grown;
    return true;
}

bool TextStore::AddInNewRoom(std::string_view text, TextRef& ref) {
    ref = 0;
    if (text.empty()) return true;
    if (text.size() > kShared) {
        const std::size_t units = UnitsFor(text.size());
        char* block = NewBlock(units, text.size());
        if (!block) return false;
        std::memcpy(block, text.data(), text.size());
        ref = static_cast<TextRef>((m_units.size() - units) * kUnit);
        return true;
    }
    if (text.size() > m_currentSize - m_used && !GrowFirstBlock(text.size())) {
        // The first block starts small, in a unit of its own.
        const std::size_t size = m_units.empty() ? std::max(kFirstBlock, text.size()) : kUnit;
        char* block = NewBlock(1, size);
        if (!block) return false;
        m_current = block;
        m_currentUnit = m_units.size() - 1;
        m_currentSize = size;
        m_used = 0;
    }
    std::memcpy(m_current + m_used, text.data(), text.size());
    ref = static_cast<TextRef>(m_currentUnit * kUnit + m_used);
    m_used += text.size();
    return true;
}

}  // namespace engine::tree
