// A node object: the one engine object of a libxml2 node, found again through
// the node's private pointer for as long as it lives.
#include <new>

#include "node_base.h"
#include "node_marks.h"

namespace platform::dom {
namespace {

class NodeObject final : public NodeBase<IXMLDOMNode> {
  public:
    NodeObject(const TreeRef& tree, xmlNodePtr node) : m_tree(tree), m_node(node) {
        static_assert(alignof(NodeObject) > kNodeMarks, "marks need the low pointer bits");
        SetNodeObject(m_node, this);
    }

  protected:
    ~NodeObject() override {
        if (NodeObjectOf(m_node) == this) SetNodeObject(m_node, nullptr);
    }
    bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IXMLDOMNode); }
    const TreeRef& GetTree() const override { return m_tree; }
    xmlNodePtr GetNode() const override { return m_node; }

  private:
    TreeRef m_tree;  // keeps m_node alive
    xmlNodePtr m_node;
};

}  // namespace

IXMLDOMNode* NewNodeObject(const TreeRef& tree, xmlNodePtr node) {
    return new (std::nothrow) NodeObject(tree, node);
}

}  // namespace platform::dom
