// The one object of each node that has been handed out, found by the node's
// id: an open-addressing table of object pointers (each object knows its own
// node), which grows as objects are made and loses them as they go, so that
// it takes memory in proportion to the objects alive, not to the tree.
#ifndef FLATDOM_ENGINE_COM_NODE_OBJECTS_H
#define FLATDOM_ENGINE_COM_NODE_OBJECTS_H

#include <cstddef>
#include <vector>

#include "engine/tree/node_record.h"

namespace engine::com {

class NodeObject;
// The node an object stands for (node.cpp).
tree::NodeId NodeOf(const NodeObject* object);

class NodeObjects {
  public:
    // The node's object, or null while it has none.
    NodeObject* Find(tree::NodeId node) const;
    // Records an object for a node that has none. Throws std::bad_alloc when
    // memory runs out, with nothing recorded.
    void Add(NodeObject* object);
    // Forgets an object recorded before.
    void Remove(const NodeObject* object);

    std::size_t Count() const { return m_count; }

  private:
    std::size_t Slot(tree::NodeId node) const;
    void Grow();

    std::vector<NodeObject*> m_slots;  // empty, or a power of two of them
    std::size_t m_count = 0;
};

}  // namespace engine::com

#endif
