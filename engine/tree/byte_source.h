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
    // Whether Rewind can be asked of the source, before it is read: a file
    // that is no pipe, text in memory.
    virtual bool Rewindable() { return false; }
    // Reads again from where the source started; false when it cannot.
    virtual bool Rewind() { return false; }

  protected:
    ~ByteSource() = default;
};

}  // namespace engine::tree

#endif
