// The IXMLDOMNode methods, forwarded to the shared node operations, for any
// object that is a node: a plain node or the document.
#ifndef FLATDOM_ENGINE_COM_NODE_BASE_H
#define FLATDOM_ENGINE_COM_NODE_BASE_H

#include "com_object.h"
#include "node_ops.h"
#include "text.h"

namespace engine::com {

template <class Interface>
class NodeBase : public ComObject<Interface> {
  public:
    HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* name) override {
        return Guarded([&] { return NodeName(GetTree(), GetNode(), name); });
    }
    HRESULT STDMETHODCALLTYPE get_nodeType(DOMNodeType* type) override {
        return NodeType(GetTree(), GetNode(), type);
    }
    HRESULT STDMETHODCALLTYPE get_parentNode(IXMLDOMNode** parent) override {
        return Guarded([&] { return ParentNode(GetTree(), GetNode(), parent); });
    }
    HRESULT STDMETHODCALLTYPE get_text(BSTR* text) override {
        return Guarded([&] { return NodeText(GetTree(), GetNode(), text); });
    }
    HRESULT STDMETHODCALLTYPE get_xml(BSTR* xml) override {
        return Guarded([&] { return NodeXml(GetTree(), GetNode(), xml); });
    }
    HRESULT STDMETHODCALLTYPE selectNodes(BSTR query, IXMLDOMNodeList** list) override {
        return Guarded([&] { return SelectNodes(GetTree(), GetNode(), query, list); });
    }
    HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR query, IXMLDOMNode** node) override {
        return Guarded([&] { return SelectSingleNode(GetTree(), GetNode(), query, node); });
    }
    HRESULT STDMETHODCALLTYPE get_baseName(BSTR* name) override {
        return Guarded([&] { return BaseName(GetTree(), GetNode(), name); });
    }

  protected:
    virtual const TreeRef& GetTree() const = 0;
    virtual NodeId GetNode() const = 0;
};

}  // namespace engine::com

#endif
