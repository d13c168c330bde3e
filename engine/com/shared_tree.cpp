#include "shared_tree.h"

#include <new>

#include "engine/query/query_engine.h"

namespace engine::com {

SharedTree* SharedTree::Create(std::unique_ptr<tree::DocumentTree> tree) {
    if (!tree) return nullptr;
    return new (std::nothrow) SharedTree(std::move(tree));
}

SharedTree* SharedTree::CreateEmpty() {
    try {
        return Create(std::make_unique<tree::DocumentTree>());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SharedTree::SharedTree(std::unique_ptr<tree::DocumentTree> tree)
    : m_tree(std::move(tree)), m_objects(m_tree->NodeCount()) {}

SharedTree::~SharedTree() = default;

void SharedTree::SetSelection(const query::SelectionSettings& settings) {
    m_selection = settings;
    m_queries.reset();
}

query::QueryEngine& SharedTree::Queries() {
    if (!m_queries) m_queries = std::make_unique<query::QueryEngine>(*m_tree, m_selection);
    return *m_queries;
}

}  // namespace engine::com
