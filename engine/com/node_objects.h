// The objects of the nodes handed out, one per node for as long as it is
// referenced. They live in the tree's own storage: slots in chunks, reused as
// objects go, so that a document with millions of nodes handed out pays
// neither a heap block per object nor a search per lookup. A node finds its
// object through a table of slot numbers for each block of nodes that ever
// had one. Both grow with the document: a block's table covers the nodes the
// tree has, the first chunks hold a few objects and each next one twice as
// many, so that a small document stays small. The storage knows the objects
// by their size alone (node.cpp, which makes them, checks it), so that it
// needs nothing of what they are.
#ifndef FLATDOM_ENGINE_COM_NODE_OBJECTS_H
#define FLATDOM_ENGINE_COM_NODE_OBJECTS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/tree/node_record.h"

namespace engine::com {

class NodeObjects {
  public:
    // The size and alignment of a node object (node.h): a pointer to its
    // table of methods, its reference count, its node and its tree.
    static constexpr std::size_t kObjectSize = 2 * sizeof(void*) + 2 * sizeof(std::uint32_t);
    static constexpr std::size_t kObjectAlignment = alignof(void*);

    // For the nodes of a tree whose last id is lastNode.
    explicit NodeObjects(tree::NodeId lastNode);
    ~NodeObjects();
    NodeObjects(const NodeObjects&) = delete;
    NodeObjects& operator=(const NodeObjects&) = delete;

    // Where the node's object is, or null while it has none.
    void* Find(tree::NodeId node) const;
    // Storage for a new object of a node (at most lastNode) that has none,
    // recorded as the node's object. Throws std::bad_alloc when memory runs
    // out, with nothing recorded.
    void* Allocate(tree::NodeId node);
    // Forgets the node's object, whose storage (destroyed already) is free.
    void Free(tree::NodeId node);

    std::size_t Count() const { return m_count; }
    // Bytes of the tables and chunks made so far.
    std::size_t Reserved() const { return m_reserved; }

  private:
    struct Slot;
    static constexpr unsigned kBlockBits = 16;  // nodes a table covers
    static constexpr unsigned kChunkBits = 12;  // objects a full chunk holds
    static constexpr unsigned kFirstChunkBits = 4;

    // The chunk a slot is in, and its place there: chunks 0 and 1 hold 16
    // slots each, chunk k (up to 8) holds 2^(k + 3), from slot 2^(k + 3) on;
    // every later chunk holds 2^kChunkBits.
    static std::size_t ChunkOf(std::uint32_t slot);
    static std::uint32_t ChunkStart(std::size_t chunk);
    Slot& At(std::uint32_t slot) const;
    std::uint32_t& Entry(tree::NodeId node) const;

    tree::NodeId m_lastNode;
    // For each block of nodes: slot number + 1 of each node's object, or 0.
    std::vector<std::unique_ptr<std::uint32_t[]>> m_tables;
    std::vector<std::unique_ptr<Slot[]>> m_chunks;
    std::uint32_t m_slots = 0;     // slots made so far
    std::uint32_t m_freeSlot = 0;  // slot number + 1 of the first free one, or 0
    std::size_t m_count = 0;
    std::size_t m_reserved = 0;
};

}  // namespace engine::com

#endif
