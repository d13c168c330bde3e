// The input of one parse, staged between the source and libxml2. libxml2
// asks for a few thousand bytes at a time: the source is read in larger
// pieces, so that a file takes a system call per piece, not per few
// thousand bytes; and libxml2's buffer is filled as far as the source
// allows, since the parser looks at what one read gave it (the XML
// declaration alone needs a handful of bytes). The input may be a sealed
// document's text: no copy of it outlives the parse.
#ifndef FLATDOM_ENGINE_TREE_INPUT_STAGING_H
#define FLATDOM_ENGINE_TREE_INPUT_STAGING_H

#include <cstddef>
#include <vector>

#include "byte_source.h"

namespace engine::tree {

class InputStaging {
  public:
    // The size of the pieces read from the source.
    static constexpr std::size_t kChunk = 64 * 1024;

    InputStaging() = default;
    ~InputStaging();
    InputStaging(const InputStaging&) = delete;
    InputStaging& operator=(const InputStaging&) = delete;

    // Reads from source from now on.
    void Start(ByteSource& source) { m_source = &source; }
    // Fills buffer with up to size bytes: how many (0 once the source has
    // ended), or -1 for a read of the source that failed. Throws
    // std::bad_alloc when memory runs out.
    long Give(char* buffer, std::size_t size);
    // Whether the input has ended: the source gave all it had, or End.
    bool Ended() const { return m_ended; }
    // Ends the input: libxml2 gets no more of it.
    void End() { m_ended = true; }

  private:
    // Reads the next piece of the source; false for a read that failed.
    bool Stage();

    ByteSource* m_source = nullptr;
    bool m_sourceEnded = false;
    std::vector<char> m_staged;  // read from the source, not yet given to libxml2
    std::size_t m_stagedAt = 0;
    std::size_t m_stagedEnd = 0;
    bool m_ended = false;
};

}  // namespace engine::tree

#endif
