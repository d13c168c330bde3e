#include "text.h"

#include <algorithm>

#include <common/utf8.h>

namespace sealwright {
namespace {

// The code points of bytes in turn; false at the first malformed one.
class Decoder {
  public:
    Decoder(const std::uint8_t* bytes, std::size_t size, int utf16)
        : m_bytes(bytes), m_size(size), m_utf16(utf16) {
        if (m_utf16) {
            m_at = 2;
        } else if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            m_at = 3;
        }
    }
    bool Done() const { return m_at >= m_size; }
    // The next code point; false for a malformed one and for U+0000, which
    // XML never holds.
    bool Next(char32_t& c) {
        const bool ok =
            m_utf16 ? NextUtf16(c) : utf8::Next(m_bytes, m_size, m_at, c, utf8::Invalid::kRefuse);
        return ok && c != 0;
    }

  private:
    char32_t Unit(std::size_t i) const {
        const char32_t a = m_bytes[i];
        const char32_t b = m_bytes[i + 1];
        return m_utf16 > 0 ? (a << 8) | b : (b << 8) | a;
    }
    bool NextUtf16(char32_t& c) {
        if (m_size % 2 != 0) return false;
        c = Unit(m_at);
        m_at += 2;
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c < 0xD800 || c > 0xDBFF) return true;
        if (Done()) return false;
        const char32_t low = Unit(m_at);
        if (low < 0xDC00 || low > 0xDFFF) return false;
        m_at += 2;
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        return true;
    }

    const std::uint8_t* m_bytes;
    const std::size_t m_size;
    const int m_utf16;  // 1 big-endian, -1 little-endian, 0 UTF-8
    std::size_t m_at = 0;
};

int Utf16Order(const std::uint8_t* bytes, std::size_t size) {
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return -1;
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return 1;
    return 0;
}

}  // namespace

bool DecodeText(const std::uint8_t* bytes, std::size_t size, SecretText& text) {
    text.clear();
    const int order = Utf16Order(bytes, size);
    // Counted first, so that the text is written once into its own room and
    // no growing copy of it is left behind in freed memory.
    std::size_t units = 0;
    char32_t c = 0;
    for (Decoder counter(bytes, size, order); !counter.Done();) {
        if (!counter.Next(c)) return false;
        units += utf8::WideSize(c);
    }
    // In secret memory however short: a text that the string could hold in
    // itself would be on its owner's stack, never wiped.
    static const std::size_t kHeldInside = SecretText().capacity();
    text.reserve(std::max(units, kHeldInside + 1));
    text.resize(units);
    wchar_t* out = text.data();
    for (Decoder decoder(bytes, size, order); !decoder.Done();) {
        decoder.Next(c);
        utf8::PutWide(out, c);
    }
    return true;
}

}  // namespace sealwright
