// A parsed document tree shared by the document object and every node and
// list taken from it. Each of them holds a reference, so the tree outlives
// whichever of them is released last, in any order.
#ifndef FLATDOM_PLATFORM_DOM_TREE_H
#define FLATDOM_PLATFORM_DOM_TREE_H

#include <flatdom/platform/msxml.h>
#include <libxml/tree.h>

#include <memory>

#include "selection_settings.h"

namespace platform::dom {

class QueryEngine;

class Tree {
  public:
    // Takes doc over; null (doc freed) when memory runs out.
    static Tree* Create(xmlDocPtr doc);
    // A tree over a new empty document.
    static Tree* CreateEmpty();

    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    void AddRef() { ++m_refs; }
    void Release() {
        if (--m_refs == 0) delete this;
    }

    xmlDocPtr Doc() const { return m_doc; }
    // The document object showing this tree, which answers for its document
    // node; null once that object is gone or shows another tree. Not counted.
    IXMLDOMNode* Owner() const { return m_owner; }
    void SetOwner(IXMLDOMNode* owner) { m_owner = owner; }
    // How queries on this tree are read; the queries compiled so far go.
    void SetSelection(const SelectionSettings& settings);
    // Compiles and runs queries on this tree; null when memory runs out.
    QueryEngine* Queries();

  private:
    explicit Tree(xmlDocPtr doc);
    ~Tree();

    long m_refs = 1;
    xmlDocPtr m_doc;
    IXMLDOMNode* m_owner = nullptr;
    SelectionSettings m_selection;
    std::unique_ptr<QueryEngine> m_queries;
};

// An owning pointer to a Tree.
class TreeRef {
  public:
    TreeRef() = default;
    // Adopts the reference a Create call returned.
    static TreeRef Adopt(Tree* tree) {
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

    Tree* get() const { return m_tree; }
    Tree* operator->() const { return m_tree; }
    explicit operator bool() const { return m_tree != nullptr; }

  private:
    Tree* m_tree = nullptr;
};

}  // namespace platform::dom

#endif
