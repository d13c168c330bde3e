#include "query_engine.h"

#include <libxml/tree.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <cstring>

#include "pattern_functions.h"
#include "pattern_translator.h"
#include "libxml2_errors.h"
#include "utf8.h"

namespace platform::dom {
namespace {

// Query errors reach the caller as a failed selection, never as output.
void IgnoreError(void*, XmlError) {}

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
// length of one evaluation; prefixes the host bound itself keep their binding.
class ScopedNamespaces {
  public:
    ScopedNamespaces(xmlXPathContextPtr context, xmlNodePtr node,
                     const std::vector<NamespaceBinding>& bound)
        : m_context(context) {
        xmlNodePtr scope = NamespaceScope(node);
        if (!scope) return;
        m_list = xmlGetNsList(scope->doc, scope);
        if (!m_list) return;
        int count = 0;
        for (int i = 0; m_list[i]; ++i) {
            const auto* prefix = reinterpret_cast<const char*>(m_list[i]->prefix);
            const bool hostBound =
                prefix && std::any_of(bound.begin(), bound.end(), [&](const NamespaceBinding& b) {
                    return b.prefix == prefix;
                });
            if (!hostBound) m_list[count++] = m_list[i];
        }
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

const char* WrittenPrefix(xmlNodePtr node) {
    return node->ns && node->ns->prefix ? reinterpret_cast<const char*>(node->ns->prefix) : "";
}

bool IsNcName(const std::string& name) {
    return xmlValidateNCName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

}  // namespace

QueryEngine::QueryEngine(xmlDocPtr doc, SelectionSettings settings)
    : m_doc(doc), m_settings(std::move(settings)), m_context(xmlXPathNewContext(doc)) {
    if (!m_context) return;
    m_context->error = IgnoreError;
    // Reuse result objects and node sets between evaluations instead of
    // allocating them anew each time.
    xmlXPathContextSetCache(m_context, 1, -1, 0);
    bool ok = m_settings.xpath || RegisterPatternFunctions(m_context);
    for (const NamespaceBinding& binding : m_settings.bindings) {
        ok = ok &&
             xmlXPathRegisterNs(m_context, reinterpret_cast<const xmlChar*>(binding.prefix.c_str()),
                                reinterpret_cast<const xmlChar*>(binding.uri.c_str())) == 0;
    }
    if (!ok) {
        xmlXPathFreeContext(m_context);
        m_context = nullptr;
    }
}

QueryEngine::~QueryEngine() {
    for (Entry& entry : m_recent)
        xmlXPathFreeCompExpr(entry.compiled);
    if (m_context) xmlXPathFreeContext(m_context);
}

// Whether some element of the tree is in a default namespace, found once.
bool QueryEngine::DefaultNamespaces() {
    if (m_defaultNamespaces >= 0) return m_defaultNamespaces != 0;
    m_defaultNamespaces = 0;
    xmlNodePtr root = xmlDocGetRootElement(m_doc);
    for (xmlNodePtr node = root; node;) {
        if (node->type == XML_ELEMENT_NODE) {
            if (node->ns && !node->ns->prefix) {
                m_defaultNamespaces = 1;
                break;
            }
            if (node->children) {
                node = node->children;
                continue;
            }
        }
        while (node != root && !node->next)
            node = node->parent;
        node = node == root ? nullptr : node->next;
    }
    return m_defaultNamespaces != 0;
}

// The steps of a query made of child names only ("a", "a/b", "p:a/b" as
// written in the pattern language), or nothing for any other query.
std::vector<QueryEngine::NameStep> QueryEngine::ChildSteps(const std::string& query) const {
    std::vector<NameStep> steps;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = query.find('/', start);
        const std::string step = query.substr(start, slash - start);
        const std::size_t colon = step.find(':');
        NameStep name;
        if (colon == std::string::npos) {
            name.local = step;
        } else {
            // XPath resolves prefixes, and so do patterns for prefixes the
            // host bound: only written prefixes compare as text.
            name.prefix = step.substr(0, colon);
            name.local = step.substr(colon + 1);
            const bool bound =
                std::any_of(m_settings.bindings.begin(), m_settings.bindings.end(),
                            [&](const NamespaceBinding& b) { return b.prefix == name.prefix; });
            if (m_settings.xpath || bound || !IsNcName(name.prefix)) return {};
        }
        if (!IsNcName(name.local)) return {};
        steps.push_back(std::move(name));
        if (slash == std::string::npos) return steps;
        start = slash + 1;
    }
}

bool QueryEngine::Names(xmlNodePtr node, const NameStep& step) const {
    if (node->type != XML_ELEMENT_NODE ||
        std::strcmp(reinterpret_cast<const char*>(node->name), step.local.c_str()) != 0) {
        return false;
    }
    if (m_settings.xpath) return node->ns == nullptr;
    return step.prefix == WrittenPrefix(node);
}

// Walks the child steps from node depth-first, which meets the selected
// nodes in document order. Stops at the first one when all is null.
bool QueryEngine::FollowChildSteps(xmlNodePtr node, const std::vector<NameStep>& steps,
                                   std::size_t depth, std::vector<xmlNodePtr>* all,
                                   xmlNodePtr& first) const {
    if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE) return false;
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (!Names(child, steps[depth])) continue;
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

void QueryEngine::Compile(const std::string& query, Entry& entry) {
    entry.childSteps = ChildSteps(query);
    if (!entry.childSteps.empty()) return;
    std::string xpath;
    QuietLibxml2 quiet;
    if (m_settings.xpath) {
        // Valid as written, or not at all: grouped below, "a)|(b" would pass.
        xmlXPathCompExprPtr written =
            xmlXPathCtxtCompile(m_context, reinterpret_cast<const xmlChar*>(query.c_str()));
        if (!written) return;
        xmlXPathFreeCompExpr(written);
        xpath = query;
        entry.inScopeNamespaces = query.find(':') != std::string::npos;
    } else {
        PatternContext context;
        context.defaultNamespaces = DefaultNamespaces();
        for (const NamespaceBinding& binding : m_settings.bindings)
            context.boundPrefixes.push_back(binding.prefix);
        if (!TranslatePattern(query, context, xpath)) return;
    }
    // In parentheses, libxml2 compiles the query for repeated evaluation
    // rather than for a single streaming pass; the meaning is the same.
    const std::string grouped = "(" + xpath + ")";
    entry.compiled =
        xmlXPathCtxtCompile(m_context, reinterpret_cast<const xmlChar*>(grouped.c_str()));
}

const QueryEngine::Entry* QueryEngine::Lookup(std::wstring_view query) {
    auto found = m_byText.find(query);
    if (found != m_byText.end()) {
        m_recent.splice(m_recent.begin(), m_recent, found->second);
        return &*found->second;
    }
    Entry entry{std::wstring(query), {}, nullptr, false};
    const std::string utf8 = WideToUtf8(query.data(), query.size());
    // A NUL inside the text would cut the query short: refuse it instead.
    if (utf8.find('\0') == std::string::npos) Compile(utf8, entry);
    if (m_recent.size() >= kCacheCapacity) {
        Entry& oldest = m_recent.back();
        m_byText.erase(oldest.text);
        xmlXPathFreeCompExpr(oldest.compiled);
        m_recent.pop_back();
    }
    try {
        m_recent.push_front(std::move(entry));
    } catch (...) {
        xmlXPathFreeCompExpr(entry.compiled);
        throw;
    }
    m_byText.emplace(m_recent.front().text, m_recent.begin());
    return &m_recent.front();
}

xmlXPathObjectPtr QueryEngine::Evaluate(xmlNodePtr context, const Entry& entry) {
    QuietLibxml2 quiet;
    m_context->node = context;
    xmlXPathObjectPtr result;
    if (entry.inScopeNamespaces) {
        ScopedNamespaces scope(m_context, context, m_settings.bindings);
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

bool QueryEngine::SelectAll(xmlNodePtr context, std::wstring_view query,
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

bool QueryEngine::SelectFirst(xmlNodePtr context, std::wstring_view query, xmlNodePtr& first) {
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
