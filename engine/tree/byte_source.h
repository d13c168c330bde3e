// Where a parse reads its bytes from.
#ifndef FLATDOM_ENGINE_TREE_BYTE_SOURCE_H
#define FLATDOM_ENGINE_TREE_BYTE_SOURCE_H

#include <cstddef>

namespace engine::tree {

class ByteSource {
  public:
    // Fills buffer with up to size bytes: how many, 0 at the end, -1 for a
    // read that failed.
    virtual long Read(char* buffer, std::size_t size) = 0;

  protected:
    ~ByteSource() = default;
};

}  // namespace engine::tree

#endif
