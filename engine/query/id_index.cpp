#include "id_index.h"

namespace engine::query {

std::uint64_t IdIndex::Build(const tree::DocumentTree& tree) {
    bool known = false;
    const tree::NameId xmlId = tree.Names().Find("xml:id", known);
    for (tree::NodeId id = tree::kDocumentNode; id <= tree.NodeCount(); ++id) {
        if (tree.Kind(id) != tree::NodeKind::kAttribute) continue;
        if (!tree.HasFlag(id, tree::kDeclaredId) && !(known && tree.NameOf(id) == xmlId)) continue;
        const auto at = static_cast<std::uint32_t>(m_entries.size());
        const auto [first, added] = m_first.emplace(tree.Content(id), at);
        m_entries.push_back({tree.Parent(id), added ? kEnd : first->second});
        first->second = at;
    }
    m_built = true;
    return tree.NodeCount();
}

}  // namespace engine::query
