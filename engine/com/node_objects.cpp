#include "node_objects.h"

namespace engine::com {

std::size_t NodeObjects::Slot(tree::NodeId node) const {
    // Fibonacci hashing spreads consecutive ids over the table.
    return static_cast<std::size_t>((node * 2654435769u) ^ (node >> 16)) & (m_slots.size() - 1);
}

NodeObject* NodeObjects::Find(tree::NodeId node) const {
    if (m_slots.empty()) return nullptr;
    for (std::size_t i = Slot(node);; i = (i + 1) & (m_slots.size() - 1)) {
        NodeObject* object = m_slots[i];
        if (!object || NodeOf(object) == node) return object;
    }
}

void NodeObjects::Grow() {
    std::vector<NodeObject*> old(m_slots.empty() ? 64 : m_slots.size() * 2, nullptr);
    old.swap(m_slots);
    for (NodeObject* object : old) {
        if (!object) continue;
        std::size_t i = Slot(NodeOf(object));
        while (m_slots[i])
            i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = object;
    }
}

void NodeObjects::Add(NodeObject* object) {
    // At most three quarters full, so that every probe meets an empty slot.
    if ((m_count + 1) * 4 > m_slots.size() * 3) Grow();
    std::size_t i = Slot(NodeOf(object));
    while (m_slots[i])
        i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = object;
    ++m_count;
}

void NodeObjects::Remove(const NodeObject* object) {
    if (m_slots.empty()) return;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = Slot(NodeOf(object));
    while (m_slots[i] && m_slots[i] != object)
        i = (i + 1) & mask;
    if (!m_slots[i]) return;
    // Backward-shift deletion: later entries of the same run move up, so
    // that no probe stops early at the hole.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask; m_slots[j]; j = (j + 1) & mask) {
        const std::size_t home = Slot(NodeOf(m_slots[j]));
        // Moves up when its home is not in (hole, j], cyclically.
        if (((j - home) & mask) >= ((j - hole) & mask)) {
            m_slots[hole] = m_slots[j];
            hole = j;
        }
    }
    m_slots[hole] = nullptr;
    --m_count;
}

}  // namespace engine::com
