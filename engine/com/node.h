// A node object: the one engine object of a node of the tree, found again
// through the tree's node objects for as long as it lives, in whose storage
// it lives. WrapNode (node_ops.h), which makes them, is in node.cpp.
#ifndef FLATDOM_ENGINE_COM_NODE_H
#define FLATDOM_ENGINE_COM_NODE_H

#include <flatdom/platform/msxml.h>

#include "node_base.h"
#include "shared_tree.h"

namespace engine::com {

class NodeObject final : public NodeBase<IXMLDOMNode> {
  public:
    NodeObject(const TreeRef& tree, NodeId node) : m_node(node), m_tree(tree) {}

  protected:
    ~NodeObject() override = default;
    void Destroy() override;
    bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IXMLDOMNode); }
    const TreeRef& GetTree() const override { return m_tree; }
    NodeId GetNode() const override { return m_node; }

  private:
    NodeId m_node;
    TreeRef m_tree;  // keeps the node, and this object's storage, alive
};

}  // namespace engine::com

#endif
