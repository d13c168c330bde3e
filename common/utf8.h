// UTF-8 and wide text (wchar_t: code points on Linux, UTF-16 units on
// Windows), for every part of the project and both systems. What a malformed
// sequence does is the caller's choice: stand as U+FFFD, or fail the whole.
#ifndef FLATDOM_COMMON_UTF8_H
#define FLATDOM_COMMON_UTF8_H

#include <cstddef>
#include <string>

namespace utf8 {

enum class Invalid {
    kReplace,  // a malformed sequence is U+FFFD and takes one byte
    kRefuse,   // a malformed sequence fails the conversion
};

constexpr char32_t kReplacement = 0xFFFD;

inline bool IsScalar(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// Decodes the code point at bytes[at], moving at past it. Malformed: a bad
// lead or continuation byte, a cut sequence, an overlong form, a surrogate,
// a value past U+10FFFF; false for one under kRefuse.
inline bool Next(const unsigned char* bytes, std::size_t size, std::size_t& at, char32_t& c,
                 Invalid invalid) {
    const unsigned char lead = bytes[at];
    std::size_t extra = 0;
    char32_t minimum = 0;
    c = lead;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else if (lead >= 0x80) {
        extra = size;  // no lead byte: malformed below
    }
    bool ok = size - at > extra;
    for (std::size_t k = 1; ok && k <= extra; ++k) {
        ok = (bytes[at + k] & 0xC0) == 0x80;
        c = (c << 6) | (bytes[at + k] & 0x3F);
    }
    if (ok && c >= minimum && IsScalar(c)) {
        at += extra + 1;
        return true;
    }
    ++at;
    c = kReplacement;
    return invalid == Invalid::kReplace;
}

// The bytes of c in UTF-8 (U+FFFD's, for anything but a scalar value).
inline std::size_t EncodedSize(char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}
inline void Append(std::string& out, char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point at text[at] of wide text, moving at past it: a surrogate
// pair is one code point where wchar_t holds UTF-16 units.
inline char32_t NextWide(const wchar_t* text, std::size_t size, std::size_t& at) {
    char32_t c = static_cast<char32_t>(text[at++]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && at < size && text[at] >= 0xDC00 &&
        text[at] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[at++]) - 0xDC00);
    }
    return c;
}

// Whether wide text is Unicode scalar values only: no lone surrogate, and
// nothing past U+10FFFF where wchar_t holds code points.
inline bool IsScalarText(const wchar_t* text, std::size_t size) {
    for (std::size_t at = 0; at < size;) {
        if (!IsScalar(NextWide(text, size, at))) return false;
    }
    return true;
}

// The wchar_t units of c: itself, or a surrogate pair where wchar_t holds
// UTF-16 units.
inline std::size_t WideSize(char32_t c) {
    return sizeof(wchar_t) == 2 && c >= 0x10000 ? 2 : 1;
}
inline void PutWide(wchar_t*& out, char32_t c) {
    if (WideSize(c) == 2) {
        c -= 0x10000;
        *out++ = static_cast<wchar_t>(0xD800 + (c >> 10));
        *out++ = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        *out++ = static_cast<wchar_t>(c);
    }
}

// Wide text to UTF-8, sized before it is filled (no growing copy of the text
// is left in freed memory); a lone surrogate becomes U+FFFD.
inline std::string FromWide(const wchar_t* text, std::size_t size) {
    std::size_t bytes = 0;
    for (std::size_t at = 0; at < size;)
        bytes += EncodedSize(NextWide(text, size, at));
    std::string out;
    out.reserve(bytes);
    for (std::size_t at = 0; at < size;)
        Append(out, NextWide(text, size, at));
    return out;
}

// UTF-8 to wide text, sized before it is filled; false, with text empty,
// for malformed input under kRefuse.
inline bool ToWide(const char* bytes, std::size_t size, std::wstring& text, Invalid invalid) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t units = 0;
    char32_t c;
    for (std::size_t at = 0; at < size;) {
        if (!Next(in, size, at, c, invalid)) {
            text.clear();
            return false;
        }
        units += WideSize(c);
    }
    text.resize(units);
    wchar_t* out = text.data();
    for (std::size_t at = 0; at < size;) {
        Next(in, size, at, c, invalid);
        PutWide(out, c);
    }
    return true;
}

}  // namespace utf8

#endif
