#include "tree.h"

#include <new>

#include "xpath.h"

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
    m_xpath.reset();
    xmlFreeDoc(m_doc);
}

XPathEvaluator* Tree::XPath() {
    if (!m_xpath) {
        auto evaluator = std::unique_ptr<XPathEvaluator>(new (std::nothrow) XPathEvaluator(m_doc));
        if (!evaluator || !evaluator->Ready()) return nullptr;
        m_xpath = std::move(evaluator);
    }
    return m_xpath.get();
}

}  // namespace platform::dom
