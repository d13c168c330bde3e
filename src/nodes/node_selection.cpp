// Nodes and lists by query, and nodes from lists by position; every pointer
// handed out is recorded first.
#include "frame/module_state.h"
#include "nodes/registries.h"

namespace {

// Records result and hands it out; a result that cannot be recorded is given
// back to the engine instead, so that nothing escapes the final release.
template <class Interface>
Interface* Recorded(InterfaceList<Interface>& registry, Interface* result) {
    if (result && !registry.Add(result)) {
        result->Release();
        return nullptr;
    }
    return result;
}

// No query at all, or XML white space only: no engine compiles it, and
// Wine's dereferences null on it.
bool IsBlank(const wchar_t* query) {
    if (query) {
        for (; *query; ++query) {
            if (*query != L' ' && *query != L'\t' && *query != L'\r' && *query != L'\n')
                return false;
        }
    }
    return true;
}

// selectSingleNode or selectNodes on context with the query as an OLE
// string; only the result pointer tells the outcome. A blank query fails
// here, as one the engine refuses.
template <class Interface, class Select>
Interface* Query(IXMLDOMNode* context, const wchar_t* query, Select select) {
    Interface* result = nullptr;
    if (IsBlank(query)) return result;
    BSTR bstrQuery = StringToBSTR(query);
    (context->*select)(bstrQuery, &result);
    SysFreeString(bstrQuery);
    return result;
}

}  // namespace

IXMLDOMNode* SelectXmlNode(IXMLDOMNode* node, const wchar_t* query) {
    if (!node) return nullptr;
    return flatdom::NoThrow<IXMLDOMNode*>(nullptr, [&] {
        return Recorded(g_NodeRegistry,
                        Query<IXMLDOMNode>(node, query, &IXMLDOMNode::selectSingleNode));
    });
}

IXMLDOMNode* SelectXmlRootNode(const wchar_t* query) {
    return SelectXmlNode(g_pXMLDoc, query);
}

IXMLDOMNodeList* SelectXmlNodes(IXMLDOMNode* node, const wchar_t* query) {
    if (!node) return nullptr;
    return flatdom::NoThrow<IXMLDOMNodeList*>(nullptr, [&] {
        return Recorded(g_NodeListRegistry,
                        Query<IXMLDOMNodeList>(node, query, &IXMLDOMNode::selectNodes));
    });
}

IXMLDOMNode* SelectXmlNodeFromList(IXMLDOMNodeList* list, long index) {
    if (!list) return nullptr;
    return flatdom::NoThrow<IXMLDOMNode*>(nullptr, [&] {
        IXMLDOMNode* result = nullptr;
        list->get_item(index, &result);
        return Recorded(g_NodeRegistry, result);
    });
}
