#include "document_tree.h"

#include <algorithm>

namespace engine::tree {

DocumentTree::DocumentTree(std::uint64_t maxNodes, std::uint64_t maxTextBytes)
    : m_maxNodes(std::min(maxNodes, kMaxNodes)), m_text(maxTextBytes) {
    Append(NodeKind::kDocument);  // id 0: no node
    Append(NodeKind::kDocument);
}

NodeId DocumentTree::AppendInNewRoom(NodeKind kind) {
    if (m_used > m_maxNodes) return kNoNode;
    const auto id = static_cast<NodeId>(m_used);
    std::size_t blockEnd = 0;  // the id past the block the record is in
    if (id < kBlockSize) {
        if (id >= m_firstBlockSize) {
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
        }
        blockEnd = m_firstBlockSize;
    } else {
        if ((id >> kBlockBits) >= m_blocks.size()) {
            m_blocks.reserve(m_blocks.size() + 1);
            m_blocks.emplace_back(new NodeRecord[kBlockSize]);
        }
        blockEnd = ((std::size_t{id} >> kBlockBits) + 1) << kBlockBits;
    }
    m_room = std::min<std::uint64_t>(blockEnd, m_maxNodes + 1);
    m_free = &At(id);
    return Append(kind);
}

std::size_t DocumentTree::Allocated() const {
    const std::size_t blocks = m_blocks.empty() ? 0 : m_blocks.size() - 1;
    return (m_firstBlockSize + blocks * kBlockSize) * sizeof(NodeRecord) +
           m_blocks.capacity() * sizeof(m_blocks[0]) + m_text.Allocated() + m_names.Allocated() +
           m_doctype.capacity();
}

}  // namespace engine::tree
