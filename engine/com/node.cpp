#include "node.h"

#include <new>

#include "node_ops.h"

namespace engine::com {

static_assert(sizeof(NodeObject) == NodeObjects::kObjectSize &&
                  alignof(NodeObject) == NodeObjects::kObjectAlignment,
              "the node objects' storage holds node objects exactly");

namespace {

// The object of a node that has none, with one reference for the caller.
// Null when memory runs out.
IXMLDOMNode* NewNodeObject(const TreeRef& tree, NodeId node) {
    try {
        return new (tree->Objects().Allocate(node)) NodeObject(tree, node);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

void NodeObject::Destroy() {
    // The tree holds the storage: it must outlive the destructor.
    const TreeRef tree = m_tree;
    const NodeId node = m_node;
    this->~NodeObject();
    tree->Objects().Free(node);
}

// Out of line: every object that hands out nodes calls it, and the making of
// a node object inlines into it once.
[[gnu::noinline]] HRESULT WrapNode(const TreeRef& tree, NodeId node, IXMLDOMNode** out) {
    *out = nullptr;
    if (node == tree::kNoNode) return S_FALSE;
    IXMLDOMNode* existing = nullptr;
    if (node == tree::kDocumentNode && tree->Owner()) {
        existing = tree->Owner();
    } else if (void* object = tree->Objects().Find(node)) {
        existing = std::launder(static_cast<NodeObject*>(object));
    }
    if (existing) {
        existing->AddRef();
        *out = existing;
        return S_OK;
    }
    *out = NewNodeObject(tree, node);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace engine::com
