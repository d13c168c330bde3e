// libxml2 keeps every name of a parse once, in its dictionary, and hands out
// the same pointer for the same name: the tree's expanded name of a (local
// name, prefix, URI) triple is found again by its pointers alone, without
// building the qualified name or hashing strings.
#ifndef FLATDOM_ENGINE_TREE_NAME_CACHE_H
#define FLATDOM_ENGINE_TREE_NAME_CACHE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "node_record.h"

namespace engine::tree {

class NameCache {
  public:
    // The name the triple was given, or none (0 with found false).
    ExpandedNameId Find(const void* local, const void* prefix, const void* uri, bool& found) const;
    // Gives the triple its name. Throws std::bad_alloc when memory runs out.
    void Add(const void* local, const void* prefix, const void* uri, ExpandedNameId name);

  private:
    struct Entry {
        const void* local;  // null: a free entry
        const void* prefix;
        const void* uri;
        ExpandedNameId name;
    };
    std::size_t Slot(const void* local, const void* prefix, const void* uri) const;

    std::vector<Entry> m_entries;  // a power of two of them, at most half used
    std::size_t m_used = 0;
};

}  // namespace engine::tree

#endif
