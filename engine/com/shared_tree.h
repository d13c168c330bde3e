// A parsed document tree shared by the document object and every node and
// list taken from it. Each of them holds a reference, so the tree outlives
// whichever of them is released last, in any order. It also keeps what the
// objects need beside the tree: the one object of each node handed out, and
// the queries compiled for it.
#ifndef FLATDOM_ENGINE_COM_SHARED_TREE_H
#define FLATDOM_ENGINE_COM_SHARED_TREE_H

#include <flatdom/platform/msxml.h>

#include <memory>
#include <utility>

#include "engine/query/selection_settings.h"
#include "engine/tree/document_tree.h"
#include "node_objects.h"

namespace engine::query {
class QueryEngine;
}

namespace engine::com {

using tree::NodeId;

class SharedTree {
  public:
    // Takes the tree over; null when memory runs out.
    static SharedTree* Create(std::unique_ptr<tree::DocumentTree> tree);
    // A tree of the document node alone; null when memory runs out.
    static SharedTree* CreateEmpty();

    SharedTree(const SharedTree&) = delete;
    SharedTree& operator=(const SharedTree&) = delete;

    void AddRef() { ++m_refs; }
    void Release() {
        if (--m_refs == 0) delete this;
    }

    const tree::DocumentTree& Tree() const { return *m_tree; }
    // The document object showing this tree, which answers for its document
    // node; null once that object is gone or shows another tree. Not counted.
    IXMLDOMNode* Owner() const { return m_owner; }
    void SetOwner(IXMLDOMNode* owner) { m_owner = owner; }
    // The object of each node that has one.
    NodeObjects& Objects() { return m_objects; }
    // How queries on this tree are read; the queries compiled so far go.
    void SetSelection(const query::SelectionSettings& settings);
    // Compiles and runs queries on this tree.
    query::QueryEngine& Queries();

  private:
    explicit SharedTree(std::unique_ptr<tree::DocumentTree> tree);
    ~SharedTree();

    long m_refs = 1;
    std::unique_ptr<tree::DocumentTree> m_tree;
    IXMLDOMNode* m_owner = nullptr;
    NodeObjects m_objects;
    query::SelectionSettings m_selection;
    std::unique_ptr<query::QueryEngine> m_queries;
};

// An owning pointer to a SharedTree.
class TreeRef {
  public:
    TreeRef() = default;
    // Adopts the reference a Create call returned.
    static TreeRef Adopt(SharedTree* tree) {
        TreeRef ref;
        ref.m_tree = tree;
        return ref;
    }
    TreeRef(const TreeRef& other) : m_tree(other.m_tree) {
        if (m_tree) m_tree->AddRef();
    }
    TreeRef(TreeRef&& other) noexcept : m_tree(other.m_tree) { other.m_tree = nullptr; }
    TreeRef& operator=(TreeRef other) noexcept {
        std::swap(m_tree, other.m_tree);
        return *this;
    }
    ~TreeRef() {
        if (m_tree) m_tree->Release();
    }

    SharedTree* get() const { return m_tree; }
    SharedTree* operator->() const { return m_tree; }
    explicit operator bool() const { return m_tree != nullptr; }

  private:
    SharedTree* m_tree = nullptr;
};

}  // namespace engine::com

#endif
