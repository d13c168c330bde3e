#include "node_objects.h"

#include <cstring>
#include <new>

#include "node.h"

namespace engine::com {

// Room for one object; a free one holds the number + 1 of the next free
// slot, or 0.
struct NodeObjects::Slot {
    alignas(NodeObject) unsigned char bytes[sizeof(NodeObject)];
};

NodeObjects::NodeObjects() = default;
NodeObjects::~NodeObjects() = default;

NodeObjects::Slot& NodeObjects::At(std::uint32_t slot) const {
    return m_chunks[slot >> kChunkBits][slot & ((1u << kChunkBits) - 1)];
}

std::uint32_t& NodeObjects::Entry(tree::NodeId node) const {
    return m_tables[node >> kBlockBits][node & ((1u << kBlockBits) - 1)];
}

NodeObject* NodeObjects::Find(tree::NodeId node) const {
    const std::size_t block = node >> kBlockBits;
    if (block >= m_tables.size() || !m_tables[block]) return nullptr;
    const std::uint32_t slot = Entry(node);
    return slot ? std::launder(reinterpret_cast<NodeObject*>(At(slot - 1).bytes)) : nullptr;
}

void* NodeObjects::Allocate(tree::NodeId node) {
    const std::size_t block = node >> kBlockBits;
    if (block >= m_tables.size()) m_tables.resize(block + 1);
    if (!m_tables[block]) m_tables[block].reset(new std::uint32_t[1u << kBlockBits]());
    std::uint32_t slot;
    if (m_freeSlot) {
        slot = m_freeSlot - 1;
        std::memcpy(&m_freeSlot, At(slot).bytes, sizeof m_freeSlot);
    } else {
        if ((m_slots >> kChunkBits) >= m_chunks.size()) {
            m_chunks.reserve(m_chunks.size() + 1);
            m_chunks.emplace_back(new Slot[1u << kChunkBits]);
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
