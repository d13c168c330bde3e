// What the reader asks of each byte and each character it reads: a table of
// classes for the bytes of ASCII, so that the runs of plain text, attribute
// values and names are each read by one loop over the table, and the checks
// of XML 1.0 (fifth edition) for the characters beyond ASCII, decoded from
// UTF-8 as strictly as XML asks (no overlong form, no surrogate, nothing
// past U+10FFFF).
#ifndef FLATDOM_ENGINE_TREE_READER_BYTE_CLASSES_H
#define FLATDOM_ENGINE_TREE_READER_BYTE_CLASSES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/tree/xml_chars.h"

namespace engine::tree::reader {

enum ByteClass : std::uint8_t {
    kSpaceByte = 1,         // XML's white space: space, tab, line feed, carriage return
    kNameStartByte = 2,     // may start a name: letters, '_' (':' is the reader's to split)
    kNameByte = 4,          // may continue a name: those, digits, '-', '.', ':'
    kTextByte = 8,          // character data that stands as it is: not '<', '&', ']', CR
    kValueByte = 16,        // an attribute value's: not '<', '&', a quote, white space but space
    kCommentByte = 32,      // a comment's: not '-', CR
    kInstructionByte = 64,  // a processing instruction's or CDATA section's: not '?', ']', CR
    kNameEndByte = 128,     // ends a name: ASCII, and no name byte
};

namespace detail {

constexpr std::uint8_t ClassOf(unsigned c) {
    std::uint8_t bits = 0;
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') bits |= kSpaceByte;
    if (letter || c == '_') bits |= kNameStartByte;
    if (letter || c == '_' || c == ':' || c == '-' || c == '.' || (c >= '0' && c <= '9'))
        bits |= kNameByte;
    // Characters of ASCII that XML allows: tab, line feed, carriage return,
    // and from the space on.
    const bool allowed = c == '\t' || c == '\n' || (c >= 0x20 && c < 0x80);
    if (allowed && c != '<' && c != '&' && c != ']') bits |= kTextByte;
    if (c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != '"' && c != '\'') bits |= kValueByte;
    if (allowed && c != '-') bits |= kCommentByte;
    if (allowed && c != '?' && c != ']') bits |= kInstructionByte;
    if (c < 0x80 && !(bits & kNameByte)) bits |= kNameEndByte;
    return bits;
}

struct Table {
    std::uint8_t bits[256];
};

constexpr Table MakeTable() {
    Table table{};
    for (unsigned c = 0; c < 256; ++c)
        table.bits[c] = ClassOf(c);
    return table;
}

inline constexpr Table kTable = MakeTable();

}  // namespace detail

inline bool Is(char c, ByteClass byteClass) {
    return (detail::kTable.bits[static_cast<unsigned char>(c)] & byteClass) != 0;
}

// The 8 bytes at p as one number, in the order of memory (the window keeps
// bytes to read past its end).
inline std::uint64_t Load8(const char* p) {
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes;
}

// A name's bytes as numbers, to find it again: its first 8 bytes (fewer made
// zero), its last 8 when it is longer, and its length. Two names of up to 16
// bytes are the same exactly when their keys are.
struct NameKey {
    std::uint64_t first;
    std::uint64_t last;
    std::size_t length;

    bool operator==(const NameKey& other) const {
        return first == other.first && last == other.last && length == other.length;
    }
};
constexpr std::size_t kKeyedLength = 16;  // longer names are compared byte by byte too

// The key of the length bytes at p, which may be read up to 8 bytes on.
inline NameKey KeyOf(const char* p, std::size_t length) {
    std::uint64_t first = Load8(p);
    if (length < 8) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        first &= (std::uint64_t{1} << (8 * length)) - 1;
#else
        first &= ~(~std::uint64_t{0} >> (8 * length));
#endif
    }
    return {first, length > 8 ? Load8(p + length - 8) : 0, length};
}

// The character of UTF-8 at p, a byte of 0x80 or more, with end the end of
// what was read: its length in bytes (c set), 0 when the bytes are no UTF-8
// or no character of XML, or -1 when the character is cut by end.
inline int DecodeAt(const char* p, const char* end, char32_t& c) {
    const auto lead = static_cast<unsigned char>(*p);
    int length = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (p + k >= end) return -1;
        const auto next = static_cast<unsigned char>(p[k]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    return c >= least && IsXmlCharCode(c) ? length : 0;
}

// Writes c as UTF-8 at out: how many bytes (at most 4).
inline std::size_t Encode(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

}  // namespace engine::tree::reader

#endif
