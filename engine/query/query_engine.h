// Queries on one document tree, read as the document's selection settings
// say (the pattern language, or XPath 1.0), each compiled once into the one
// compiled form, cached by its text, and run by the one evaluator.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_ENGINE_H
#define FLATDOM_ENGINE_QUERY_QUERY_ENGINE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tree/document_tree.h"
#include "evaluator.h"
#include "query_cache.h"
#include "selection_settings.h"

namespace engine::query {

class QueryEngine {
  public:
    // Queries kept compiled; the least recently used one goes first.
    static constexpr std::size_t kCacheCapacity = 128;

    // The engine reads tree, which must outlive it, and keeps a copy of
    // settings.
    QueryEngine(const engine::tree::DocumentTree& tree, const SelectionSettings& settings);
    QueryEngine(const QueryEngine&) = delete;
    QueryEngine& operator=(const QueryEngine&) = delete;

    // Runs the query (the host's text, as given) from context and puts the
    // selected nodes in document order into nodes. False, with nodes empty,
    // when the query is not valid, fails to run (an XPath prefix nothing
    // binds) or does not select nodes (a number, a string, a boolean), or
    // context is no node of the tree. Never prints anything; throws
    // std::bad_alloc when memory runs out.
    bool SelectAll(engine::tree::NodeId context, std::wstring_view query,
                   std::vector<engine::tree::NodeId>& nodes);
    // The first of those in document order; kNoNode when none matches.
    bool SelectFirst(engine::tree::NodeId context, std::wstring_view query,
                     engine::tree::NodeId& first);
    // The value of query (any expression) from context as text: a number,
    // a string or a boolean as XPath's string() writes it, a node-set as its
    // first node's string value. False, with value empty, where SelectAll
    // fails but for a query that gives no nodes. Not cached: hosts ask for
    // values seldom.
    bool Value(engine::tree::NodeId context, std::wstring_view query, std::string& value);
    // What the last query that ran did.
    QueryWork LastWork() const { return m_evaluator.Work(); }

  private:
    // The compiled query for text; null when it is not a valid query that
    // selects nodes.
    const CompiledQuery* Lookup(std::wstring_view text);
    // Compiles text in the document's language; false when it is not valid.
    bool Compile(std::wstring_view text, CompiledQuery& query) const;
    bool IsContext(engine::tree::NodeId node) const;

    const engine::tree::DocumentTree& m_tree;
    const SelectionSettings m_settings;
    QueryCache m_cache;
    Evaluator m_evaluator;
};

}  // namespace engine::query

#endif
