#include "document_tree.h"

#include "limits.h"

namespace engine::tree {

DocumentTree::DocumentTree() {
    Append(NodeKind::kDocument);  // id 0: no node
    Append(NodeKind::kDocument);
}

NodeId DocumentTree::Append(NodeKind kind) {
    if (m_used > kMaxNodes) return kNoNode;
    const auto id = static_cast<NodeId>(m_used);
    if ((id >> kBlockBits) >= m_blocks.size()) {
        m_blocks.reserve(m_blocks.size() + 1);
        m_blocks.emplace_back(new NodeRecord[kBlockSize]);
    }
    NodeRecord& record = At(id);
    record = NodeRecord{};
    record.kind = kind;
    ++m_used;
    return id;
}

std::size_t DocumentTree::Allocated() const {
    return m_blocks.size() * kBlockSize * sizeof(NodeRecord) + m_text.Allocated();
}

}  // namespace engine::tree
