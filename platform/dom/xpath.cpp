#include "xpath.h"

#include <libxml/tree.h>
#include <libxml/xpathInternals.h>

#include <cstring>

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
            return node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
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
        while (m_list[count])
            ++count;
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

// The names of a query made of unprefixed child steps only ("a", "a/b/c"),
// or nothing when the query is anything else.
std::vector<std::string> ChildSteps(const std::string& query) {
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = query.find('/', start);
        std::string step = query.substr(start, slash - start);
        if (xmlValidateNCName(reinterpret_cast<const xmlChar*>(step.c_str()), 0) != 0) return {};
        steps.push_back(std::move(step));
        if (slash == std::string::npos) return steps;
        start = slash + 1;
    }
}

bool IsChildNamed(xmlNodePtr node, const std::string& name) {
    return node->type == XML_ELEMENT_NODE && node->ns == nullptr &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name.c_str()) == 0;
}

// Walks the child steps from node depth-first, which meets the selected
// nodes in document order. Stops at the first one when all is null.
bool FollowChildSteps(xmlNodePtr node, const std::vector<std::string>& steps, std::size_t depth,
                      std::vector<xmlNodePtr>* all, xmlNodePtr& first) {
    if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE) return false;
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (!IsChildNamed(child, steps[depth])) continue;
        if (depth + 1 < steps.size()) {
            if (FollowChildSteps(child, steps, depth + 1, all, first)) return true;
        } else if (all) {
            all->push_back(child);
        } else {
            first = child;
            return true;
        }
    }
    return false;
}

}  // namespace

XPathEvaluator::XPathEvaluator(xmlDocPtr doc) : m_context(xmlXPathNewContext(doc)) {
    if (!m_context) return;
    m_context->error = IgnoreError;
    // Reuse result objects and node sets between evaluations instead of
    // allocating them anew each time.
    xmlXPathContextSetCache(m_context, 1, -1, 0);
}

XPathEvaluator::~XPathEvaluator() {
    for (Entry& entry : m_recent)
        xmlXPathFreeCompExpr(entry.compiled);
    if (m_context) xmlXPathFreeContext(m_context);
}

const XPathEvaluator::Entry* XPathEvaluator::Lookup(std::wstring_view query) {
    auto found = m_byText.find(query);
    if (found != m_byText.end()) {
        m_recent.splice(m_recent.begin(), m_recent, found->second);
        return &*found->second;
    }
    const std::string utf8 = WideToUtf8(query.data(), query.size());
    xmlXPathCompExprPtr compiled = nullptr;
    // A NUL inside the text would cut the query short: refuse it instead.
    std::vector<std::string> childSteps;
    if (utf8.find('\0') == std::string::npos) {
        childSteps = ChildSteps(utf8);
        // In parentheses, libxml2 compiles the query for repeated evaluation
        // rather than for a single streaming pass; the meaning is the same.
        const std::string grouped = "(" + utf8 + ")";
        if (childSteps.empty()) {
            compiled =
                xmlXPathCtxtCompile(m_context, reinterpret_cast<const xmlChar*>(grouped.c_str()));
        }
    }
    if (m_recent.size() >= kCacheCapacity) {
        Entry& oldest = m_recent.back();
        m_byText.erase(oldest.text);
        xmlXPathFreeCompExpr(oldest.compiled);
        m_recent.pop_back();
    }
    const bool usesPrefixes = query.find(L':') != std::wstring_view::npos;
    try {
        m_recent.push_front(
            Entry{std::wstring(query), std::move(childSteps), compiled, usesPrefixes});
    } catch (...) {
        xmlXPathFreeCompExpr(compiled);
        throw;
    }
    m_byText.emplace(m_recent.front().text, m_recent.begin());
    return &m_recent.front();
}

xmlXPathObjectPtr XPathEvaluator::Evaluate(xmlNodePtr context, const Entry& entry) {
    m_context->node = context;
    xmlXPathObjectPtr result;
    if (entry.usesPrefixes) {
        ScopedNamespaces scope(m_context, context);
        result = xmlXPathCompiledEval(entry.compiled, m_context);
    } else {
        result = xmlXPathCompiledEval(entry.compiled, m_context);
    }
    m_context->node = nullptr;
    if (result && result->type != XPATH_NODESET) {
        xmlXPathFreeObject(result);
        return nullptr;
    }
    return result;
}

bool XPathEvaluator::SelectAll(xmlNodePtr context, std::wstring_view query,
                               std::vector<xmlNodePtr>& nodes) {
    nodes.clear();
    if (!m_context || !context) return false;
    const Entry* entry = Lookup(query);
    if (!entry->childSteps.empty()) {
        xmlNodePtr unused = nullptr;
        FollowChildSteps(context, entry->childSteps, 0, &nodes, unused);
        return true;
    }
    if (!entry->compiled) return false;
    xmlXPathObjectPtr result = Evaluate(context, *entry);
    if (!result) return false;
    if (const xmlNodeSetPtr set = result->nodesetval) {
        nodes.reserve(static_cast<std::size_t>(set->nodeNr));
        for (int i = 0; i < set->nodeNr; ++i) {
            if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes.push_back(set->nodeTab[i]);
        }
    }
    xmlXPathFreeObject(result);
    return true;
}

bool XPathEvaluator::SelectFirst(xmlNodePtr context, std::wstring_view query, xmlNodePtr& first) {
    first = nullptr;
    if (!m_context || !context) return false;
    const Entry* entry = Lookup(query);
    if (!entry->childSteps.empty()) {
        FollowChildSteps(context, entry->childSteps, 0, nullptr, first);
        return true;
    }
    if (!entry->compiled) return false;
    xmlXPathObjectPtr result = Evaluate(context, *entry);
    if (!result) return false;
    if (const xmlNodeSetPtr set = result->nodesetval) {
        for (int i = 0; i < set->nodeNr && !first; ++i) {
            if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) first = set->nodeTab[i];
        }
    }
    xmlXPathFreeObject(result);
    return true;
}

}  // namespace platform::dom
