// The part of a document the reader holds: what it read from the source and
// has not given up yet, in one buffer that it may change in place (line ends
// and references made the characters they stand for). It is read in large
// pieces, and grows only for one piece of markup longer than it (up to
// kLongestPiece); the input may be a sealed document's text, so the buffer
// is wiped before it is freed.
#ifndef FLATDOM_ENGINE_TREE_READER_INPUT_WINDOW_H
#define FLATDOM_ENGINE_TREE_READER_INPUT_WINDOW_H

#include <cstddef>
#include <memory>

#include "engine/tree/byte_source.h"

namespace engine::tree::reader {

// The longest piece of markup (a tag, a comment, a processing instruction)
// or run of white space between markup outside the root element that the
// reader holds at once: well below what libxml2 holds at once
// (kMaxLookahead), so that every piece the reader takes libxml2 takes too.
// A document with a longer one goes to libxml2.
constexpr std::size_t kLongestPiece = std::size_t{4} << 20;

class InputWindow {
  public:
    static constexpr std::size_t kChunk = 64 * 1024;
    static constexpr std::size_t kPadding = 16;

    // Reads chunk bytes at first (tests read with small windows, so that
    // the window ends in every piece of markup).
    InputWindow(ByteSource& source, std::size_t chunk) : m_source(source), m_chunk(chunk) {}
    ~InputWindow();
    InputWindow(const InputWindow&) = delete;
    InputWindow& operator=(const InputWindow&) = delete;

    // The bytes held, from Begin() to End(); *End() is 0, so that a loop over
    // a class of bytes stops there too, and kPadding bytes may be read past
    // End().
    char* Begin() const { return m_data.get(); }
    char* End() const { return m_end; }

    enum class Fill {
        kMore,     // more bytes after End()
        kEnded,    // the source has no more
        kTooLong,  // the bytes from keep on are kLongestPiece already
        kFailed,   // the source could not be read
    };
    // Gives up the bytes before keep (which then points where they moved)
    // and reads more. Throws std::bad_alloc when memory runs out.
    Fill Refill(char*& keep);
    // The bytes the last kMore read.
    std::size_t LastRead() const { return m_lastRead; }

  private:
    void Wipe();

    ByteSource& m_source;
    const std::size_t m_chunk;
    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity = 0;  // bytes the buffer holds, but for the padding after them
    char* m_end = nullptr;
    std::size_t m_lastRead = 0;
    bool m_ended = false;
};

}  // namespace engine::tree::reader

#endif
