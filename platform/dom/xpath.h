// XPath 1.0 on one tree, with compiled queries cached by their text.
#ifndef FLATDOM_PLATFORM_DOM_XPATH_H
#define FLATDOM_PLATFORM_DOM_XPATH_H

#include <libxml/xpath.h>

#include <list>
#include <string>
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
    // order into nodes (only the first when firstOnly). Namespace nodes are
    // left out. False when the query does not compile, fails to run or does
    // not select nodes.
    bool Select(xmlNodePtr context, const wchar_t* query, std::size_t length, bool firstOnly,
                std::vector<xmlNodePtr>& nodes);

private:
    struct Entry {
        std::wstring text;
        xmlXPathCompExprPtr compiled;  // null: the text does not compile
        bool usesPrefixes;
    };
    const Entry* Lookup(const wchar_t* query, std::size_t length);

    xmlXPathContextPtr m_context;
    std::list<Entry> m_recent;  // most recently used first
    std::unordered_map<std::wstring, std::list<Entry>::iterator> m_byText;
};

}  // namespace platform::dom

#endif
