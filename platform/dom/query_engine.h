// Queries on one tree, read as its document's settings say (the pattern
// language, or XPath 1.0), each compiled once and cached by its text.
#ifndef FLATDOM_PLATFORM_DOM_QUERY_ENGINE_H
#define FLATDOM_PLATFORM_DOM_QUERY_ENGINE_H

#include <libxml/xpath.h>

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "selection_settings.h"

namespace platform::dom {

class QueryEngine {
  public:
    // Queries kept compiled; the least recently used one goes first.
    static constexpr std::size_t kCacheCapacity = 128;

    QueryEngine(xmlDocPtr doc, SelectionSettings settings);
    ~QueryEngine();
    QueryEngine(const QueryEngine&) = delete;
    QueryEngine& operator=(const QueryEngine&) = delete;

    bool Ready() const { return m_context != nullptr; }

    // Runs the query from context and puts the selected nodes in document
    // order into nodes. Namespace nodes are left out. False when the query
    // is not valid, fails to run or does not select nodes.
    bool SelectAll(xmlNodePtr context, std::wstring_view query, std::vector<xmlNodePtr>& nodes);
    // The same for the first node only, which is null when none matches.
    bool SelectFirst(xmlNodePtr context, std::wstring_view query, xmlNodePtr& first);

  private:
    // One step of a query that only names children ("item", "p:item/name").
    struct NameStep {
        std::string prefix;  // empty: none
        std::string local;
    };
    struct Entry {
        std::wstring text;
        // Not empty: the query only names children, and is followed directly
        // along the tree; any other query runs as compiled by libxml2.
        std::vector<NameStep> childSteps;
        xmlXPathCompExprPtr compiled;  // null, and no steps: not a valid query
        bool inScopeNamespaces;        // prefixes resolve at the context node
    };
    const Entry* Lookup(std::wstring_view query);
    void Compile(const std::string& query, Entry& entry);
    std::vector<NameStep> ChildSteps(const std::string& query) const;
    bool Names(xmlNodePtr node, const NameStep& step) const;
    bool FollowChildSteps(xmlNodePtr node, const std::vector<NameStep>& steps, std::size_t depth,
                          std::vector<xmlNodePtr>* all, xmlNodePtr& first) const;
    // The node set the query gives from context; null when there is none.
    xmlXPathObjectPtr Evaluate(xmlNodePtr context, const Entry& entry);
    bool DefaultNamespaces();

    xmlDocPtr m_doc;
    const SelectionSettings m_settings;
    xmlXPathContextPtr m_context;
    int m_defaultNamespaces = -1;  // not known yet
    std::list<Entry> m_recent;     // most recently used first; keys point into it
    std::unordered_map<std::wstring_view, std::list<Entry>::iterator> m_byText;
};

}  // namespace platform::dom

#endif
