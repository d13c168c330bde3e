#include "node.h"

#include <new>

namespace engine::com {

void NodeObject::Destroy() {
    // The tree holds the storage: it must outlive the destructor.
    const TreeRef tree = m_tree;
    const NodeId node = m_node;
    this->~NodeObject();
    tree->Objects().Free(node);
}

IXMLDOMNode* NewNodeObject(const TreeRef& tree, NodeId node) {
    try {
        return new (tree->Objects().Allocate(node)) NodeObject(tree, node);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace engine::com
