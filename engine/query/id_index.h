// The elements each ID names, read from a tree once, on the first id() that
// a query runs on it: attributes the DTD declares of type ID, and xml:id.
// A lookup then costs the elements it finds. The tree never changes, so the
// index never goes stale.
#ifndef FLATDOM_ENGINE_QUERY_ID_INDEX_H
#define FLATDOM_ENGINE_QUERY_ID_INDEX_H

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/tree/document_tree.h"

namespace engine::query {

class IdIndex {
  public:
    bool Built() const { return m_built; }
    // Reads tree, which must outlive the index; the records read.
    std::uint64_t Build(const tree::DocumentTree& tree);
    // Calls found for each element whose ID is value, in no particular
    // order (an element with two such attributes, twice).
    template <class Found>
    void Find(std::string_view value, Found found) const {
        const auto first = m_first.find(value);
        if (first == m_first.end()) return;
        for (std::uint32_t at = first->second; at != kEnd; at = m_entries[at].next)
            found(m_entries[at].element);
    }

  private:
    static constexpr std::uint32_t kEnd = 0xFFFFFFFFu;
    struct Entry {
        tree::NodeId element;
        std::uint32_t next;  // the entry of the same value met before; kEnd for none
    };
    bool m_built = false;
    std::unordered_map<std::string_view, std::uint32_t> m_first;  // value to its last entry
    std::vector<Entry> m_entries;
};

}  // namespace engine::query

#endif
