// Text in memory as a byte source, handed out in pieces of at most
// InputStaging::kChunk (libxml2 would copy text from memory whole, and free
// the copy without wiping it); it can be read again from its start.
#ifndef FLATDOM_ENGINE_TREE_TEXT_SOURCE_H
#define FLATDOM_ENGINE_TREE_TEXT_SOURCE_H

#include <algorithm>
#include <cstring>
#include <string_view>

#include "byte_source.h"
#include "input_staging.h"

namespace engine::tree {

class TextSource final : public ByteSource {
  public:
    explicit TextSource(std::string_view text) : m_text(text), m_left(text) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_left.size(), InputStaging::kChunk});
        std::memcpy(buffer, m_left.data(), n);
        m_left.remove_prefix(n);
        return static_cast<long>(n);
    }
    bool Rewindable() override { return true; }
    bool Rewind() override {
        m_left = m_text;
        return true;
    }

  private:
    std::string_view m_text;
    std::string_view m_left;
};

}  // namespace engine::tree

#endif
