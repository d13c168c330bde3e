#include "node_objects.h"

#include <algorithm>
#include <cstring>

namespace engine::com {

// Room for one object; a free one holds the number + 1 of the next free
// slot, or 0.
struct NodeObjects::Slot {
    alignas(kObjectAlignment) unsigned char bytes[kObjectSize];
};

NodeObjects::NodeObjects(tree::NodeId lastNode) : m_lastNode(lastNode) {}
NodeObjects::~NodeObjects() = default;

std::size_t NodeObjects::ChunkOf(std::uint32_t slot) {
    if (slot >> kChunkBits) return (kChunkBits - kFirstChunkBits) + (slot >> kChunkBits);
    if (slot >> kFirstChunkBits == 0) return 0;
    const auto width = static_cast<std::size_t>(32 - __builtin_clz(slot));  // in bits
    return width - kFirstChunkBits;
}

std::uint32_t NodeObjects::ChunkStart(std::size_t chunk) {
    if (chunk == 0) return 0;
    if (chunk <= kChunkBits - kFirstChunkBits)
        return std::uint32_t{1} << (chunk + kFirstChunkBits - 1);
    return static_cast<std::uint32_t>(chunk - (kChunkBits - kFirstChunkBits)) << kChunkBits;
}

NodeObjects::Slot& NodeObjects::At(std::uint32_t slot) const {
    const std::size_t chunk = ChunkOf(slot);
    return m_chunks[chunk][slot - ChunkStart(chunk)];
}

std::uint32_t& NodeObjects::Entry(tree::NodeId node) const {
    return m_tables[node >> kBlockBits][node & ((1u << kBlockBits) - 1)];
}

void* NodeObjects::Find(tree::NodeId node) const {
    const std::size_t block = node >> kBlockBits;
    if (block >= m_tables.size() || !m_tables[block]) return nullptr;
    const std::uint32_t slot = Entry(node);
    return slot ? At(slot - 1).bytes : nullptr;
}

void* NodeObjects::Allocate(tree::NodeId node) {
    const std::size_t block = node >> kBlockBits;
    if (block >= m_tables.size()) m_tables.resize(block + 1);
    if (!m_tables[block]) {
        // The block's nodes the tree has, the last block's fewer.
        const std::size_t first = block << kBlockBits;
        const std::size_t size = std::min<std::size_t>(std::size_t{1} << kBlockBits,
                                                       std::size_t{m_lastNode} + 1 - first);
        m_tables[block].reset(new std::uint32_t[size]());
        m_reserved += size * sizeof(std::uint32_t);
    }
    std::uint32_t slot;
    if (m_freeSlot) {
        slot = m_freeSlot - 1;
        std::memcpy(&m_freeSlot, At(slot).bytes, sizeof m_freeSlot);
    } else {
        if (ChunkOf(m_slots) >= m_chunks.size()) {
            const std::size_t size = ChunkStart(m_chunks.size() + 1) - ChunkStart(m_chunks.size());
            m_chunks.reserve(m_chunks.size() + 1);
            m_chunks.emplace_back(new Slot[size]);
            m_reserved += size * sizeof(Slot);
        }
        slot = m_slots++;
    }
    Entry(node) = slot + 1;
    ++m_count;
    return At(slot).bytes;
}

void NodeObjects::Free(tree::NodeId node) {
    std::uint32_t& entry = Entry(node);
    const std::uint32_t slot = entry - 1;
    entry = 0;
    std::memcpy(At(slot).bytes, &m_freeSlot, sizeof m_freeSlot);
    m_freeSlot = slot + 1;
    --m_count;
}

}  // namespace engine::com
