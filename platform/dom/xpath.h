// XPath 1.0 on one tree, with compiled queries cached by their text.
#ifndef FLATDOM_PLATFORM_DOM_XPATH_H
#define FLATDOM_PLATFORM_DOM_XPATH_H

#include <libxml/xpath.h>

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::dom {

class XPathEvaluator {
  public:
    // Queries kept compiled; the least recently used one goes first.
    static constexpr std::size_t kCacheCapacity = 128;

    explicit XPathEvaluator(xmlDocPtr doc);
    ~XPathEvaluator();
    XPathEvaluator(const XPathEvaluator&) = delete;
    XPathEvaluator& operator=(const XPathEvaluator&) = delete;

    bool Ready() const { return m_context != nullptr; }

    // Runs the query from context and puts the selected nodes in document
    // order into nodes. Namespace nodes are left out. False when the query
    // does not compile, fails to run or does not select nodes.
    bool SelectAll(xmlNodePtr context, std::wstring_view query, std::vector<xmlNodePtr>& nodes);
    // The same for the first node only, which is null when none matches.
    bool SelectFirst(xmlNodePtr context, std::wstring_view query, xmlNodePtr& first);

  private:
    struct Entry {
        std::wstring text;
        // A query that only names children ("price", "item/price") is
        // followed directly along the tree, step by step; any other query
        // runs as compiled by libxml2.
        std::vector<std::string> childSteps;
        xmlXPathCompExprPtr compiled;  // null, and no steps: does not compile
        bool usesPrefixes;
    };
    const Entry* Lookup(std::wstring_view query);
    // The node set the query gives from context; null when there is none.
    xmlXPathObjectPtr Evaluate(xmlNodePtr context, const Entry& entry);

    xmlXPathContextPtr m_context;
    std::list<Entry> m_recent;  // most recently used first; keys point into it
    std::unordered_map<std::wstring_view, std::list<Entry>::iterator> m_byText;
};

}  // namespace platform::dom

#endif
