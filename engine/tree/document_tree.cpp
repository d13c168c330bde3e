#include "document_tree.h"

#include <algorithm>

namespace engine::tree {

DocumentTree::DocumentTree(std::uint64_t maxNodes, std::uint64_t maxTextBytes)
    : m_maxNodes(std::min(maxNodes, kMaxNodes)), m_text(maxTextBytes) {
    Append(NodeKind::kDocument);  // id 0: no node
    Append(NodeKind::kDocument);
}

NodeId DocumentTree::Append(NodeKind kind) {
    if (m_used > m_maxNodes) return kNoNode;
    const auto id = static_cast<NodeId>(m_used);
    if (id < kBlockSize && id >= m_firstBlockSize) {
        const std::size_t size =
            std::max(kFirstBlockSize, std::min(kBlockSize, id * std::size_t{2}));
        std::unique_ptr<NodeRecord[]> block(new NodeRecord[size]);
        if (m_blocks.empty()) {
            m_blocks.emplace_back(std::move(block));
        } else {
            std::copy(m_blocks[0].get(), m_blocks[0].get() + m_firstBlockSize, block.get());
            m_blocks[0] = std::move(block);
        }
        m_firstBlockSize = size;
    } else if ((id >> kBlockBits) >= m_blocks.size()) {
        m_blocks.reserve(m_blocks.size() + 1);
        m_blocks.emplace_back(new NodeRecord[kBlockSize]);
    }
    NodeRecord& record = At(id);
    record = NodeRecord{};
    record.SetKind(kind);
    ++m_used;
    return id;
}

std::size_t DocumentTree::Allocated() const {
    const std::size_t blocks = m_blocks.empty() ? 0 : m_blocks.size() - 1;
    return (m_firstBlockSize + blocks * kBlockSize) * sizeof(NodeRecord) +
           m_blocks.capacity() * sizeof(m_blocks[0]) + m_text.Allocated() + m_names.Allocated() +
           m_doctype.capacity();
}

}  // namespace engine::tree
