#include "xpath.h"

#include <libxml/xpathInternals.h>

#include "utf8.h"

namespace platform::dom {
namespace {

// Query errors reach the caller as a failed selection, never as output.
void IgnoreError(void*, xmlErrorPtr) {}

// The element whose in-scope namespace declarations give meaning to the
// prefixes of a query run from node.
xmlNodePtr NamespaceScope(xmlNodePtr node) {
    switch (node->type) {
        case XML_ELEMENT_NODE:
            return node;
        case XML_DOCUMENT_NODE:
            return xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(node));
        default:
            return node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent
                                                                           : nullptr;
    }
}

// Lends the in-scope namespace declarations to the XPath context for the
// length of one evaluation.
class ScopedNamespaces {
public:
    ScopedNamespaces(xmlXPathContextPtr context, xmlNodePtr node) : m_context(context) {
        xmlNodePtr scope = NamespaceScope(node);
        if (!scope) return;
        m_list = xmlGetNsList(scope->doc, scope);
        if (!m_list) return;
        int count = 0;
        while (m_list[count]) ++count;
        m_context->namespaces = m_list;
        m_context->nsNr = count;
    }
    ~ScopedNamespaces() {
        if (!m_list) return;
        m_context->namespaces = nullptr;
        m_context->nsNr = 0;
        xmlFree(m_list);
    }
    ScopedNamespaces(const ScopedNamespaces&) = delete;
    ScopedNamespaces& operator=(const ScopedNamespaces&) = delete;

private:
    xmlXPathContextPtr m_context;
    xmlNsPtr* m_list = nullptr;
};

}  // namespace

XPathEvaluator::XPathEvaluator(xmlDocPtr doc) : m_context(xmlXPathNewContext(doc)) {
    if (m_context) m_context->error = IgnoreError;
}

XPathEvaluator::~XPathEvaluator() {
    for (Entry& entry : m_recent) xmlXPathFreeCompExpr(entry.compiled);
    if (m_context) xmlXPathFreeContext(m_context);
}

const XPathEvaluator::Entry* XPathEvaluator::Lookup(const wchar_t* query, std::size_t length) {
    std::wstring text(query, length);
    auto found = m_byText.find(text);
    if (found != m_byText.end()) {
        m_recent.splice(m_recent.begin(), m_recent, found->second);
        return &*found->second;
    }
    const std::string utf8 = WideToUtf8(query, length);
    xmlXPathCompExprPtr compiled = nullptr;
    // A NUL inside the text would cut the query short: refuse it instead.
    if (utf8.find('\0') == std::string::npos) {
        compiled = xmlXPathCtxtCompile(m_context, reinterpret_cast<const xmlChar*>(utf8.c_str()));
    }
    if (m_recent.size() >= kCacheCapacity) {
        Entry& oldest = m_recent.back();
        xmlXPathFreeCompExpr(oldest.compiled);
        m_byText.erase(oldest.text);
        m_recent.pop_back();
    }
    const bool usesPrefixes = text.find(L':') != std::wstring::npos;
    m_recent.push_front(Entry{text, compiled, usesPrefixes});
    m_byText.emplace(std::move(text), m_recent.begin());
    return &m_recent.front();
}

bool XPathEvaluator::Select(xmlNodePtr context, const wchar_t* query, std::size_t length,
                            bool firstOnly, std::vector<xmlNodePtr>& nodes) {
    nodes.clear();
    if (!m_context || !context) return false;
    const Entry* entry = Lookup(query, length);
    if (!entry->compiled) return false;

    m_context->node = context;
    xmlXPathObjectPtr result;
    if (entry->usesPrefixes) {
        ScopedNamespaces scope(m_context, context);
        result = xmlXPathCompiledEval(entry->compiled, m_context);
    } else {
        result = xmlXPathCompiledEval(entry->compiled, m_context);
    }
    m_context->node = nullptr;
    if (!result) return false;
    const bool isNodeSet = result->type == XPATH_NODESET;
    if (isNodeSet && result->nodesetval) {
        const xmlNodeSetPtr set = result->nodesetval;
        nodes.reserve(firstOnly ? 1 : static_cast<std::size_t>(set->nodeNr));
        for (int i = 0; i < set->nodeNr; ++i) {
            xmlNodePtr node = set->nodeTab[i];
            if (!node || node->type == XML_NAMESPACE_DECL) continue;
            nodes.push_back(node);
            if (firstOnly) break;
        }
    }
    xmlXPathFreeObject(result);
    return isNodeSet;
}

}  // namespace platform::dom
