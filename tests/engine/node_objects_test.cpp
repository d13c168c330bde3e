// The storage of the node objects handed out: one slot per node that has an
// object, reused once it goes, and memory that grows with the document and
// the objects handed out, not a fixed table and chunk from the first one on.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/com/node_objects.h"

namespace {

using engine::com::NodeObjects;
using engine::tree::NodeId;

// Bytes reserved once every node from 2 to last has had an object.
std::size_t ReservedForAll(NodeId last) {
    NodeObjects objects(last);
    for (NodeId node = 2; node <= last; ++node)
        objects.Allocate(node);
    return objects.Reserved();
}

TEST(NodeObjectStorage, GrowsWithTheDocumentAndTheObjectsHandedOut) {
    EXPECT_LT(ReservedForAll(11), 1024u);  // ten nodes
    NodeObjects big(1000000);
    big.Allocate(2);
    EXPECT_LT(big.Reserved(), 1024u * 1024u);  // one node of a big document
    for (const NodeId n : {NodeId{1000}, NodeId{50000}, NodeId{300000}}) {
        const std::size_t once = ReservedForAll(n), twice = ReservedForAll(2 * n);
        EXPECT_LE(twice, 2.2 * once) << n;
        EXPECT_GE(twice, 1.8 * once) << n;
    }
}

TEST(NodeObjectStorage, EachObjectHasASlotOfItsOwnReusedOnceFree) {
    const NodeId last = 20000;
    NodeObjects objects(last);
    std::vector<void*> slots(last + 1);
    for (NodeId node = 1; node <= last; ++node)
        slots[node] = objects.Allocate(node);
    const std::size_t reserved = objects.Reserved();
    for (NodeId node = 1; node <= last; node += 2)
        objects.Free(node);
    EXPECT_EQ(objects.Count(), last / 2);
    for (NodeId node = 1; node <= last; ++node) {
        const void* found = objects.Find(node);
        ASSERT_EQ(found, node % 2 ? nullptr : slots[node]) << node;
    }
    // Freed slots are taken again, the latest freed first; nothing new is made.
    for (NodeId node = last - 1; node >= 1 && node < last; node -= 2)
        EXPECT_EQ(objects.Allocate(node), slots[node]) << node;
    EXPECT_EQ(objects.Reserved(), reserved);
    EXPECT_EQ(objects.Count(), last);
    // Slots never move: every object is still where it was put.
    std::vector<const void*> distinct;
    for (NodeId node = 1; node <= last; ++node)
        distinct.push_back(objects.Find(node));
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(std::unique(distinct.begin(), distinct.end()), distinct.end());
}

}  // namespace
