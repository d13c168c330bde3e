// The strings a document uses over and over (qualified names, namespace
// URIs, processing-instruction targets), each stored once and known by a
// 32-bit id; and the expanded names of nodes, pairs of such strings (a
// qualified name as written and its namespace URI), each also stored once.
// Id 0 is the empty string, and the pair of two empty strings.
#ifndef FLATDOM_ENGINE_TREE_NAME_TABLE_H
#define FLATDOM_ENGINE_TREE_NAME_TABLE_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "node_record.h"

namespace engine::tree {

class NameTable {
  public:
    NameTable();
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;

    // The id of name, added when new. Throws std::bad_alloc when memory runs
    // out.
    NameId Intern(std::string_view name);
    // The id of name, or none (0 with found false) when the table lacks it.
    NameId Find(std::string_view name, bool& found) const;

    std::string_view Get(NameId id) const { return m_names[id]; }
    // The part before the first colon, or nothing.
    std::string_view Prefix(NameId id) const;
    // The part after the first colon, or the whole name.
    std::string_view Local(NameId id) const;

    // The id of the pair, added when new. Throws std::bad_alloc when memory
    // runs out.
    ExpandedNameId Expanded(NameId qualified, NameId uri);
    NameId QualifiedOf(ExpandedNameId id) const { return m_expanded[id].qualified; }
    NameId UriOf(ExpandedNameId id) const { return m_expanded[id].uri; }

    std::size_t Size() const { return m_names.size(); }
    // Bytes taken from the heap, about.
    std::size_t Allocated() const;

  private:
    struct Pair {
        NameId qualified;
        NameId uri;
    };
    static std::uint64_t Key(NameId qualified, NameId uri) {
        return (std::uint64_t{qualified} << 32) | uri;
    }

    std::vector<std::string_view> m_names;  // by id; views into m_chars
    std::unordered_map<std::string_view, NameId> m_ids;
    std::vector<std::unique_ptr<char[]>> m_chars;
    char* m_next = nullptr;  // free space in the last block of m_chars
    std::size_t m_free = 0;
    std::size_t m_charBytes = 0;  // of all blocks of m_chars
    std::vector<Pair> m_expanded;
    std::unordered_map<std::uint64_t, ExpandedNameId> m_expandedIds;
};

}  // namespace engine::tree

#endif
