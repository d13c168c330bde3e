// A node list: the nodes a query selected, in document order, with an
// iteration cursor.
#include <new>

#include "com_object.h"
#include "node_ops.h"

namespace engine::com {
namespace {

class NodeListObject final : public ComObject<IXMLDOMNodeList> {
  public:
    NodeListObject(const TreeRef& tree, std::vector<NodeId> nodes)
        : m_tree(tree), m_nodes(std::move(nodes)) {}

    HRESULT STDMETHODCALLTYPE get_item(long index, IXMLDOMNode** item) override {
        if (!item) return E_INVALIDARG;
        *item = nullptr;
        if (index < 0 || static_cast<unsigned long>(index) >= m_nodes.size()) return S_FALSE;
        return WrapNode(m_tree, m_nodes[static_cast<std::size_t>(index)], item);
    }
    HRESULT STDMETHODCALLTYPE get_length(long* length) override {
        if (!length) return E_INVALIDARG;
        *length = static_cast<long>(m_nodes.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE nextNode(IXMLDOMNode** next) override {
        if (!next) return E_INVALIDARG;
        *next = nullptr;
        if (m_cursor >= m_nodes.size()) return S_FALSE;
        const HRESULT hr = WrapNode(m_tree, m_nodes[m_cursor], next);
        if (SUCCEEDED(hr)) ++m_cursor;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE reset() override {
        m_cursor = 0;
        return S_OK;
    }

  protected:
    bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IXMLDOMNodeList); }

  private:
    TreeRef m_tree;  // keeps the nodes alive
    std::vector<NodeId> m_nodes;
    std::size_t m_cursor = 0;
};

}  // namespace

HRESULT NewNodeList(const TreeRef& tree, std::vector<NodeId> nodes, IXMLDOMNodeList** out) {
    *out = new (std::nothrow) NodeListObject(tree, std::move(nodes));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace engine::com
