#include "table_room.h"

#include <algorithm>
#include <new>

namespace engine::tree {

std::uint64_t TableRoom::BeforeAdding(xmlHashTablePtr& table, xmlDictPtr dict) {
    const int entries = table ? xmlHashSize(table) : 0;
    if (table && table == m_table && entries < kLoad * m_buckets)
        return static_cast<std::uint64_t>(entries / m_buckets);
    // A table libxml2 made (of a size it does not tell), or one full enough:
    // made again, twice as large as its entries.
    const int buckets = std::max(kFirstBuckets, 2 * entries);
    xmlHashTablePtr larger = xmlHashCreateDict(buckets, dict);
    if (!larger) throw std::bad_alloc();
    if (table) {
        struct Move {
            xmlHashTablePtr to;
            bool failed;
        } move{larger, false};
        xmlHashScanFull(
            table,
            [](void* payload, void* data, const xmlChar* name, const xmlChar* name2,
               const xmlChar* name3) {
                auto& into = *static_cast<Move*>(data);
                if (xmlHashAddEntry3(into.to, name, name2, name3, payload) < 0) into.failed = true;
            },
            &move);
        if (move.failed) {
            xmlHashFree(larger, nullptr);
            throw std::bad_alloc();
        }
        xmlHashFree(table, nullptr);  // the entries' payloads are the larger one's now
    }
    table = m_table = larger;
    m_buckets = buckets;
    return static_cast<std::uint64_t>(entries);
}

}  // namespace engine::tree
