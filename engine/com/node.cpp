#include "node.h"

#include <new>

namespace engine::com {

NodeObject::~NodeObject() {
    m_tree->Objects().Remove(this);
}

NodeId NodeOf(const NodeObject* object) {
    return object->Node();
}

IXMLDOMNode* NewNodeObject(const TreeRef& tree, NodeId node) {
    auto* object = new (std::nothrow) NodeObject(tree, node);
    if (!object) return nullptr;
    try {
        tree->Objects().Add(object);
    } catch (const std::bad_alloc&) {
        // Not recorded: the object stays usable, and Remove finds nothing.
    }
    return object;
}

}  // namespace engine::com
