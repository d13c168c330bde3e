// The element each ID names, read from a tree once, on the first id() that a
// query runs on it: attributes the DTD declares of type ID, and xml:id. An
// ID given twice (an invalid document) names the first element in document
// order that has it, as XPath 1.0 says; the others have no unique ID. A
// lookup then costs one probe. The tree never changes, so the index never
// goes stale.
#ifndef FLATDOM_ENGINE_QUERY_ID_INDEX_H
#define FLATDOM_ENGINE_QUERY_ID_INDEX_H

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "engine/tree/document_tree.h"

namespace engine::query {

class IdIndex {
  public:
    bool Built() const { return m_built; }
    // Reads tree, which must outlive the index; the records read.
    std::uint64_t Build(const tree::DocumentTree& tree);
    // The element whose ID is value; kNoNode for none.
    tree::NodeId Find(std::string_view value) const {
        const auto found = m_elements.find(value);
        return found == m_elements.end() ? tree::kNoNode : found->second;
    }

  private:
    bool m_built = false;
    std::unordered_map<std::string_view, tree::NodeId> m_elements;
};

}  // namespace engine::query

#endif
