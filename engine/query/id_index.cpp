#include "id_index.h"

namespace engine::query {

std::uint64_t IdIndex::Build(const tree::DocumentTree& tree) {
    bool known = false;
    const tree::NameId xmlId = tree.Names().Find("xml:id", known);
    // Records are in document order: the first element given a value keeps it.
    for (tree::NodeId id = tree::kDocumentNode; id <= tree.NodeCount(); ++id) {
        if (tree.Kind(id) != tree::NodeKind::kAttribute) continue;
        if (!tree.HasFlag(id, tree::kDeclaredId) && !(known && tree.NameOf(id) == xmlId)) continue;
        m_elements.emplace(tree.Content(id), tree.Parent(id));
    }
    m_built = true;
    return tree.NodeCount();
}

}  // namespace engine::query
