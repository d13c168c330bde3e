// Room in one of libxml2's hash tables that the DTD fills, one entry for
// each declaration. libxml2 makes such a table of a few buckets and grows it
// to 16,384 at most: past that, each lookup compares a share of every entry
// made before, and the declarations cost time of the order of their number
// squared. Before libxml2 adds an entry, the table is made here, or made
// again larger, so that a bucket holds few entries.
#ifndef FLATDOM_ENGINE_TREE_TABLE_ROOM_H
#define FLATDOM_ENGINE_TREE_TABLE_ROOM_H

#include <libxml/xmlstring.h>
// after xmlstring.h
#include <libxml/dict.h>
#include <libxml/hash.h>

#include <cstdint>

namespace engine::tree {

class TableRoom {
  public:
    // Makes table (null, made by libxml2, or made here before) ready for
    // one more entry, its names strings of dict. The entries compared in a
    // lookup, about, and those moved to a larger table. Throws
    // std::bad_alloc when memory runs out.
    std::uint64_t BeforeAdding(xmlHashTablePtr& table, xmlDictPtr dict);

  private:
    static constexpr int kFirstBuckets = 64;
    static constexpr int kLoad = 4;  // entries a bucket, at most

    xmlHashTablePtr m_table = nullptr;  // as made here last
    int m_buckets = 0;
};

}  // namespace engine::tree

#endif
