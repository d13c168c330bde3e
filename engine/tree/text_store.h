// The text of a document's nodes, stored once: UTF-8 bytes in blocks of
// 1 MiB, addressed by 32-bit references. A text never spans two blocks: one
// that does not fit in the rest of the current block starts a new one, and
// one longer than a block's share gets a block of its own that takes as many
// units of the address space as it needs. The first block starts small and
// grows to 1 MiB, so that a small document stays small.
#ifndef FLATDOM_ENGINE_TREE_TEXT_STORE_H
#define FLATDOM_ENGINE_TREE_TEXT_STORE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "limits.h"
#include "node_record.h"

namespace engine::tree {

class TextStore {
  public:
    static constexpr unsigned kUnitBits = 20;
    static constexpr std::size_t kUnit = std::size_t{1} << kUnitBits;
    // Texts up to this size share blocks; a longer one would leave too much
    // of a block unused when it does not fit, and gets a block of its own.
    static constexpr std::size_t kShared = 64 * 1024;

    // A store of at most capacity bytes, whole units (limits.h; less in tests).
    explicit TextStore(std::uint64_t capacity = kMaxTextBytes);
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    // Copies text in; false, with nothing stored, past the store's capacity.
    // Throws std::bad_alloc when memory runs out.
    [[gnu::always_inline]] bool Add(std::string_view text, TextRef& ref) {
        const std::size_t size = text.size();
        if (size == 0 || size > kShared || size > m_currentSize - m_used)
            return AddInNewRoom(text, ref);
        char* const to = m_current + m_used;
        if (size <= 16) {
            CopyShort(to, text.data(), size);
        } else {
            std::memcpy(to, text.data(), size);
        }
        ref = static_cast<TextRef>(m_currentUnit * kUnit + m_used);
        m_used += size;
        return true;
    }

    std::string_view Get(TextRef ref, std::uint32_t length) const {
        if (length == 0) return {};
        return {m_units[ref >> kUnitBits] + (ref & (kUnit - 1)), length};
    }

    // Bytes taken from the heap.
    std::size_t Allocated() const { return m_allocated; }

  private:
    // Copies size bytes, 1 to 16, without a call: most texts are short. Two
    // copies of a fixed size that overlap in the middle cover each length.
    [[gnu::always_inline]] static void CopyShort(char* to, const char* from, std::size_t size) {
        if (size >= 8) {
            std::memcpy(to, from, 8);
            std::memcpy(to + size - 8, from + size - 8, 8);
        } else if (size >= 4) {
            std::memcpy(to, from, 4);
            std::memcpy(to + size - 4, from + size - 4, 4);
        } else {
            to[0] = from[0];
            to[size / 2] = from[size / 2];
            to[size - 1] = from[size - 1];
        }
    }
    // Add, where the current block has no room for text, or text is empty.
    bool AddInNewRoom(std::string_view text, TextRef& ref);
    // A block of size bytes that takes the next units of the address space;
    // null past the capacity.
    char* NewBlock(std::size_t units, std::size_t size);
    // Makes the first block, while it is the current one, big enough for
    // size more bytes; false when it is already a whole unit.
    bool GrowFirstBlock(std::size_t size);

    std::size_t m_maxUnits;
    std::vector<const char*> m_units;  // the start of each 1 MiB unit
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_current = nullptr;  // the block small texts go into
    std::size_t m_currentUnit = 0;
    std::size_t m_currentSize = 0;  // bytes of the current block
    std::size_t m_used = 0;         // bytes used of the current block
    std::size_t m_allocated = 0;
};

}  // namespace engine::tree

#endif
