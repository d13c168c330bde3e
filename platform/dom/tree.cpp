#include "tree.h"

#include <new>

#include "query_engine.h"

namespace platform::dom {

Tree* Tree::Create(xmlDocPtr doc) {
    if (!doc) return nullptr;
    Tree* tree = new (std::nothrow) Tree(doc);
    if (!tree) xmlFreeDoc(doc);
    return tree;
}

Tree* Tree::CreateEmpty() {
    return Create(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
}

Tree::Tree(xmlDocPtr doc) : m_doc(doc) {}

Tree::~Tree() {
    m_queries.reset();
    xmlFreeDoc(m_doc);
}

void Tree::SetSelection(const SelectionSettings& settings) {
    m_selection = settings;
    m_queries.reset();
}

QueryEngine* Tree::Queries() {
    if (!m_queries) {
        auto engine = std::make_unique<QueryEngine>(m_doc, m_selection);
        if (!engine->Ready()) return nullptr;
        m_queries = std::move(engine);
    }
    return m_queries.get();
}

}  // namespace platform::dom
