// Queries on one tree, read as its document's settings say (the pattern
// language, or XPath 1.0), each compiled once and cached by its text.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_ENGINE_H
#define FLATDOM_ENGINE_QUERY_QUERY_ENGINE_H

#include <string_view>
#include <vector>

#include "engine/tree/document_tree.h"
#include "selection_settings.h"

namespace engine::query {

class QueryEngine {
  public:
    QueryEngine(const tree::DocumentTree& tree, const SelectionSettings& settings);

    // Runs the query from context and puts the selected nodes in document
    // order into nodes. False when the query is not valid, fails to run or
    // does not select nodes.
    bool SelectAll(tree::NodeId context, std::wstring_view query, std::vector<tree::NodeId>& nodes);
    // The first of those in document order; kNoNode when none matches.
    bool SelectFirst(tree::NodeId context, std::wstring_view query, tree::NodeId& first);

  private:
    const tree::DocumentTree& m_tree;
    SelectionSettings m_settings;
};

}  // namespace engine::query

#endif
